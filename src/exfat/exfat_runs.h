#pragma once
// Where a node of an exFAT volume keeps its clusters, and reading them.

#include <cstdint>
#include <optional>
#include <vector>

#include "fat/cluster_runs.h"
#include "exfat/exfat_geometry.h"
#include "scan/scan_node.h"

namespace tundrel {

class FatTable;
class SectorSource;

// The format allows no larger directory; a larger size on disk is damage.
inline constexpr std::uint64_t kMaxExFatDirectoryBytes = 256ull * 1024 * 1024;

// Clusters that `size` bytes take, rounded up.
std::uint64_t ClustersForSize(std::uint64_t size, std::uint64_t clusterBytes);

// The node's clusters in file order, at most `maxClusters`. A live node with a FAT chain
// follows the chain; a deleted node (whose chain is gone) or one flagged as contiguous is
// one run of its size from its first cluster. Nothing for a first cluster outside the heap;
// runs end at the heap's end. `looped`, when given, tells whether the chain came back to a
// cluster it had passed.
ClusterRunList ExFatNodeRuns(const ScanNode& node, FatTable& table, const ExFatGeometry& geometry,
                             std::uint64_t maxClusters, bool* looped = nullptr);

// The clusters of the runs one after another in one buffer; nothing when a run lies outside
// the volume, when there is nothing to read or no memory for it, or when a read falls short.
std::optional<std::vector<std::uint8_t>> ReadExFatRuns(const ClusterRunList& runs, SectorSource& source,
                                                       std::uint64_t volumeStart, const ExFatGeometry& geometry);

}  // namespace tundrel
