// Where the data of a node of a FAT volume lies.

#include <algorithm>

#include "fat/fat_scanner.h"

namespace tundrel {

bool FatScanner::BuildExtents(const ScanNode& node, ExtentList& extents) {
    extents.clear();
    const FatRegions* regions = Geometry();
    if (regions == nullptr) return false;
    if (node.Has(kFlagContiguous)) return VolumeScanner::BuildExtents(node, extents);
    // Clusters 0 and 1 hold no data: such an entry has none to read.
    if (node.location < 2) return false;

    const std::uint64_t clusterBytes = regions->ClusterBytes();
    const std::uint64_t needed = node.IsDirectory() ? 0 : (node.size + clusterBytes - 1) / clusterBytes;
    ClusterRunList runs;
    if (node.Has(kFlagDeleted)) {
        // The chain of a deleted entry is gone; its data is taken as contiguous.
        runs.push_back({node.location, static_cast<std::uint32_t>(node.IsDirectory() ? 1 : needed)});
    } else {
        const std::uint64_t maxClusters = node.IsDirectory() ? regions->EntryCount() : needed;
        runs = ChainToRuns(node.location, table_, {maxClusters, regions->ClusterLimit()});
        const std::uint64_t chained = ClusterCount(runs);
        if (chained < needed) {
            if (runs.empty()) runs.push_back({node.location, 0});
            runs.back().count += static_cast<std::uint32_t>(needed - chained);
        }
    }

    for (const ClusterRun& run : runs) {
        const std::uint64_t start = regions->ClusterSector(run.firstCluster);
        if (run.count == 0 || start >= regions->volumeSectors) break;
        const std::uint64_t sectors = std::uint64_t{run.count} * regions->sectorsPerCluster;
        FileExtent extent;
        extent.startSector = volumeStart + start;
        extent.sectorCount = std::min(sectors, regions->volumeSectors - start);
        extents.push_back(std::move(extent));
    }
    return !extents.empty();
}

}  // namespace tundrel
