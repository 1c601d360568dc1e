#pragma once
// Chains of clusters the allocation table still holds but no directory of the tree owns: in
// the deleted-file mode they become lost folders (chains that open with "." and "..") and
// lost files, named by their content, under the lost-files root.

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <vector>

#include "fat/cluster_runs.h"
#include "fat/directory_listing.h"
#include "fat/fat_entry_value.h"
#include "scan/lost_directory_links.h"
#include "scan/result_tree.h"

namespace tundrel {

class NamePool;
class ScanProgress;

// Reads the clusters of the runs one after another; nothing when they cannot be read.
using ChainReader = std::function<std::optional<std::vector<std::uint8_t>>(const ClusterRunList& runs)>;

// A lost directory's chain is read to this length at most: longer than any FAT directory.
inline constexpr std::uint64_t kMaxLostChainDirectoryBytes = 2 * 1024 * 1024;
// Clusters larger than this are not searched.
inline constexpr std::uint64_t kMaxLostChainClusterBytes = 64 * 1024;

struct LostChainVolume {
    std::span<const std::uint8_t> table;  // the whole allocation table; the search works on a copy
    FatWidth width = FatWidth::Fat32;
    std::uint64_t clusterLimit = 0;       // one past the last cluster inside the volume
    std::uint32_t clusterSectors = 0;
    std::uint64_t dataSector = 0;         // absolute sector of cluster 2
    std::uint32_t rootCluster = 0;        // FAT32's root directory, 0 on FAT12 and FAT16
    ChainReader read;

    std::uint64_t ClusterBytes() const { return std::uint64_t{clusterSectors} * 512; }
};

struct LostChainFinds {
    std::vector<LostDirectoryRecord> directories;  // in head order
    std::vector<ScanNode> files;                   // in head order, none that a directory names
};

// Takes from a copy of the table the live chains below roots 0, 1, 2 and 5 (and the FAT32
// root's), then follows every chain left from its head, in cluster order, taking each entry
// once: a chain joined by another or looping ends where it meets a taken entry. A stop
// request ends the search with what was found.
LostChainFinds FindLostChains(const LostChainVolume& volume, const ResultTree& tree, ListContext& listing,
                              ScanProgress& progress, NamePool& names);

// Links the directories into folders "Dir_<n>" under root 1, moves their deleted entries
// into root 2, and gathers the files in a folder "Lost Files" at root 1's end.
void PlaceLostChains(LostChainFinds finds, ResultTree& tree, NamePool& names, std::uint64_t clusterBytes);

}  // namespace tundrel
