#pragma once
// A cluster chain as runs of adjacent clusters, in chain order.

#include <cstdint>
#include <vector>

namespace tundrel {

class FatTable;

struct ClusterRun {
    std::uint32_t firstCluster = 0;
    std::uint32_t count = 0;
};
using ClusterRunList = std::vector<ClusterRun>;

struct ChainLimits {
    std::uint64_t maxClusters = 0;   // clusters taken at most
    std::uint64_t clusterLimit = 0;  // the chain ends at a cluster at or above this
};

// Follows the chain from `firstCluster`, merging adjacent clusters into one run. The chain
// ends at the table's end-of-chain, at a cluster below 2 or at or above the limit, at the
// first cluster met twice (a damaged table that loops; `looped`, when given, tells so), or
// after `maxClusters`.
ClusterRunList ChainToRuns(std::uint32_t firstCluster, FatTable& table, const ChainLimits& limits,
                           bool* looped = nullptr);

std::uint64_t ClusterCount(const ClusterRunList& runs);

}  // namespace tundrel
