#pragma once
// FAT directory clusters found without a boot record, grouped by the volume they imply.

#include <cstdint>
#include <span>
#include <vector>

#include "scan/full_scan_candidates.h"

namespace tundrel {

// A data area implied by directory clusters: cluster 2 at `dataStart` (absolute), clusters of
// `sectorsPerCluster` sectors.
struct FatDirectoryGroup {
    std::uint64_t dataStart = 0;
    std::uint32_t sectorsPerCluster = 0;
    std::vector<std::uint64_t> sectors;  // the members' sectors, ascending
};

// A sector opening with "." and ".." entries whose "." names cluster c, found at sector S,
// implies the data area S - (c - 2) x s for each cluster size s (1 to 128 sectors). Two such
// sectors agree on one (start, s) exactly when their distance is (c2 - c1) x s, so the pairs
// that most sectors imply are taken first (ties: the smaller cluster), and each sector joins
// the first taken pair it implies. A group needs two members that name different clusters:
// one directory alone does not tell the cluster size. Groups come in data-start order.
std::vector<FatDirectoryGroup> GroupFatDirectories(std::span<const SectorCopy> directories);

}  // namespace tundrel
