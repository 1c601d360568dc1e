#pragma once
// A FAT volume known only by the directory sectors a sweep of the disk collected: the
// scanner lists the clusters they open and links them by the "." and ".." entries.

#include <cstdint>
#include <vector>

namespace tundrel {

struct CollectedDirectories {
    // Absolute sectors, in ascending order, of the collected sectors that lie inside the volume.
    std::vector<std::uint64_t> sectors;
    // A FAT-table start was confirmed where the boot parameters place the table: chains are
    // followed. Otherwise the table is not read at all, and every file and directory is one
    // contiguous run from its first cluster.
    bool tableConfirmed = false;
};

}  // namespace tundrel
