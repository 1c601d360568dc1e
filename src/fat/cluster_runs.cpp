#include "fat/cluster_runs.h"

#include <unordered_set>

#include "fat/fat_table.h"

namespace tundrel {

ClusterRunList ChainToRuns(std::uint32_t firstCluster, FatTable& table, const ChainLimits& limits, bool* looped) {
    ClusterRunList runs;
    if (looped != nullptr) *looped = false;
    std::unordered_set<std::uint32_t> visited;
    std::uint64_t taken = 0;
    for (std::uint32_t cluster = firstCluster; cluster >= 2 && cluster < limits.clusterLimit && taken < limits.maxClusters;
         cluster = table.NextCluster(cluster)) {
        if (!visited.insert(cluster).second) {
            if (looped != nullptr) *looped = true;
            break;
        }
        if (!runs.empty() && std::uint64_t{runs.back().firstCluster} + runs.back().count == cluster) {
            ++runs.back().count;
        } else {
            runs.push_back({cluster, 1});
        }
        ++taken;
    }
    return runs;
}

std::uint64_t ClusterCount(const ClusterRunList& runs) {
    std::uint64_t total = 0;
    for (const ClusterRun& run : runs) total += run.count;
    return total;
}

}  // namespace tundrel
