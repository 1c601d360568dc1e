// Where the data of a node of a FAT volume lies.

#include <algorithm>

#include "fat/fat_scanner.h"
#include "scan/size_bounds.h"

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
    // Clusters from `cluster` to the end of the volume, a last part-cluster included (the
    // extents below are cut at the volume's last sector).
    const std::uint64_t areaSectors = regions->volumeSectors - std::min(regions->dataStart, regions->volumeSectors);
    const std::uint64_t limit = 2 + (areaSectors + regions->sectorsPerCluster - 1) / regions->sectorsPerCluster;
    const auto roomFrom = [limit](std::uint64_t cluster) { return limit - std::min(limit, cluster); };
    ClusterRunList runs;
    if (node.Has(kFlagDeleted)) {
        // The chain of a deleted entry is gone; its data is taken as contiguous.
        const std::uint64_t count = std::min(node.IsDirectory() ? 1 : needed, roomFrom(node.location));
        runs.push_back({node.location, static_cast<std::uint32_t>(count)});
    } else {
        const std::uint64_t maxClusters = node.IsDirectory() ? regions->EntryCount() : needed;
        bool looped = false;
        runs = ChainToRuns(node.location, table_, {maxClusters, regions->ClusterLimit()}, &looped);
        const std::uint64_t chained = ClusterCount(runs);
        // A chain cut short is taken as going on after its last cluster. After a loop, or for
        // a size larger than the volume, only the chain is trusted.
        if (chained < needed && !looped && !SizeBeyondVolume(*this, node)) {
            if (runs.empty()) runs.push_back({node.location, 0});
            ClusterRun& last = runs.back();
            const std::uint64_t room = roomFrom(std::uint64_t{last.firstCluster} + last.count);
            last.count += static_cast<std::uint32_t>(std::min(needed - chained, room));
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
