#include "app/lost_partition_search.h"

#include "disk/lost_partition_search.h"
#include "disk/mounted_volume.h"
#include "disk/sector_source.h"
#include "modes/all_scanners.h"
#include "modes/open_source.h"

namespace tundrel::app {

std::vector<VolumeInfo> FindLostPartitions(const std::string& sourceName, const std::atomic<std::uint32_t>& stop) {
    SectorSource source;
    if (OpenReadableSource(source, sourceName)) return {};
    const SourceMounts mounts = MountsOfSource(source.path, AllFileSystems());
    return SearchLostPartitions(source, AllFileSystems(), stop, {mounts.mounted, mounts.device, nullptr}).volumes;
}

}  // namespace tundrel::app
