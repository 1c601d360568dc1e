#include "app/lost_partition_search.h"

#include <atomic>

#include "disk/partition_list.h"
#include "disk/sector_source.h"
#include "modes/all_scanners.h"
#include "modes/open_source.h"

namespace tundrel::app {

std::vector<VolumeInfo> FindLostPartitions(const std::string& sourceName) {
    SectorSource source;
    if (OpenReadableSource(source, sourceName)) return {};
    const std::atomic<std::uint32_t> never{0};
    return ListSourceVolumes(source, never, AllFileSystems());
}

}  // namespace tundrel::app
