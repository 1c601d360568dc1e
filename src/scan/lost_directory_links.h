#pragma once
// Directories found in free space, one cluster each, linked back into folders: a cluster that
// a directory entry of another found cluster names becomes that entry's contents.

#include <cstdint>
#include <vector>

#include "scan/scan_node.h"

namespace tundrel {

class NamePool;
class ScanProgress;

// One cluster that passed a directory-block test, with the nodes its entries gave.
struct LostDirectoryRecord {
    std::uint32_t cluster = 0;     // where it was read
    std::uint32_t ownCluster = 0;  // the first cluster by which directory entries name it
    std::uint64_t sector = 0;      // where it was read on the source
    ScanNode folder;               // the listed nodes are its children
};

// How many clusters from an entry's first cluster the entry's size links: at least one, at
// most `maxClusters`.
struct LostDirectorySpan {
    std::uint64_t clusterBytes = 0;
    std::uint64_t maxClusters = 1;
};

// Counts a kept record's nodes as found and shows its first name.
void CountLostDirectoryRecord(const LostDirectoryRecord& record, ScanProgress& progress);

// Links the records into folders: a record whose own cluster a directory entry of another
// record names becomes that entry's contents, together with the records of the clusters that
// follow it within the entry's size. When two entries name the same cluster, a live entry
// wins over a deleted one, and the earlier over the later. The records that no entry names
// become top-level folders "Dir_<cluster>", returned in cluster order; so do records that
// only name each other in a loop.
std::vector<ScanNode> LinkLostDirectoryRecords(std::vector<LostDirectoryRecord> records, NamePool& names,
                                               const LostDirectorySpan& span);

}  // namespace tundrel
