#include "app/lost_partition_search.h"

#include "disk/partition_list.h"
#include "disk/sector_source.h"
#include "modes/all_scanners.h"
#include "modes/open_source.h"

namespace tundrel::app {

std::vector<VolumeInfo> FindLostPartitions(const std::string& sourceName, const std::atomic<std::uint32_t>& stop) {
    SectorSource source;
    if (OpenReadableSource(source, sourceName)) return {};
    return ListSourceVolumes(source, stop, AllFileSystems());
}

}  // namespace tundrel::app
