#include "exfat/exfat_runs.h"

#include <algorithm>

#include "fat/fat_regions.h"
#include "fat/fat_table.h"
#include "fat/run_reader.h"

namespace tundrel {

std::uint64_t ClustersForSize(std::uint64_t size, std::uint64_t clusterBytes) {
    if (clusterBytes == 0) return 0;
    return size / clusterBytes + (size % clusterBytes != 0 ? 1 : 0);
}

ClusterRunList ExFatNodeRuns(const ScanNode& node, FatTable& table, const ExFatGeometry& geometry,
                             std::uint64_t maxClusters, bool* looped) {
    if (looped != nullptr) *looped = false;
    if (!geometry.HoldsCluster(node.location)) return {};
    if (!node.Has(kFlagDeleted) && !node.Has(kFlagNoChain)) {
        return ChainToRuns(node.location, table, {maxClusters, geometry.ClusterLimit()}, looped);
    }
    const std::uint64_t count = std::min({ClustersForSize(node.size, geometry.ClusterBytes()), maxClusters,
                                          geometry.ClusterLimit() - node.location});
    if (count == 0) return {};
    return {{node.location, static_cast<std::uint32_t>(count)}};
}

std::optional<std::vector<std::uint8_t>> ReadExFatRuns(const ClusterRunList& runs, SectorSource& source,
                                                       std::uint64_t volumeStart, const ExFatGeometry& geometry) {
    // The cluster reader of FAT volumes serves as is: only the data area's place and the
    // cluster size differ.
    FatRegions regions;
    regions.width = FatWidth::Fat32;
    regions.sectorsPerCluster = geometry.clusterSectors;
    regions.dataStart = geometry.dataStart;
    regions.volumeSectors = geometry.volumeSectors;
    return ReadRuns(runs, source, volumeStart, regions);
}

}  // namespace tundrel
