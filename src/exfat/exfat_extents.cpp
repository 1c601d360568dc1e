// Where the data of a node of an exFAT volume lies.

#include <algorithm>
#include <limits>

#include "exfat/exfat_runs.h"
#include "exfat/exfat_scanner.h"
#include "exfat/exfat_valid_length.h"
#include "scan/size_bounds.h"

namespace tundrel {

bool ExFatScanner::BuildExtents(const ScanNode& node, ExtentList& extents) {
    extents.clear();
    const ExFatGeometry* g = Geometry();
    if (g == nullptr || g->ClusterBytes() == 0) return false;
    if (node.Has(kFlagContiguous)) return VolumeScanner::BuildExtents(node, extents);
    // Clusters 0 and 1 hold no data, and nothing lies beyond the heap.
    if (!g->HoldsCluster(node.location)) return false;

    const std::uint64_t needed = ClustersForSize(node.size, g->ClusterBytes());
    bool looped = false;
    ClusterRunList runs = ExFatNodeRuns(node, table_, *g, needed, &looped);
    const bool chained = !node.Has(kFlagDeleted) && !node.Has(kFlagNoChain);
    const std::uint64_t found = ClusterCount(runs);
    if (chained && found < needed && !looped && !SizeBeyondVolume(*this, node)) {
        // A chain shorter than the size: the rest is taken as following the last cluster. After
        // a loop, or for a size the volume cannot hold, only the chain is trusted.
        if (runs.empty()) runs.push_back({node.location, 0});
        ClusterRun& last = runs.back();
        const std::uint64_t room = g->ClusterLimit() - (std::uint64_t{last.firstCluster} + last.count);
        last.count += static_cast<std::uint32_t>(std::min(needed - found, room));
    }

    // Runs end at the heap's last cluster, which lies wholly inside the volume.
    for (const ClusterRun& run : runs) {
        if (run.count == 0) continue;
        FileExtent extent;
        extent.startSector = volumeStart + g->ClusterSector(run.firstCluster);
        extent.sectorCount = std::uint64_t{run.count} * g->clusterSectors;
        extents.push_back(std::move(extent));
    }
    if (const auto validLength = ValidLengthOf(node); validLength && !node.IsDirectory()) {
        ZeroFillFrom(extents, *validLength);
    }
    return !extents.empty();
}

std::optional<std::uint32_t> ExFatScanner::FileDataSector(const ScanNode& node) const {
    const std::int32_t dataStart = DataAreaStart();
    if (dataStart < 0 || !geometry_ || node.location < 2) return std::nullopt;
    const std::uint64_t sector = volumeStart + static_cast<std::uint64_t>(dataStart) +
                                 std::uint64_t{geometry_->clusterSectors} * (node.location - std::uint64_t{2});
    if (sector > std::numeric_limits<std::uint32_t>::max()) return std::nullopt;
    return static_cast<std::uint32_t>(sector);
}

}  // namespace tundrel
