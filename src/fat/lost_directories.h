#pragma once
// Directories that no directory names any more, found among the free clusters of a FAT
// volume by the "." and ".." entries every subdirectory opens with.

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "fat/directory_listing.h"
#include "scan/lost_directory_links.h"

namespace tundrel {

class NamePool;

// How far the chains named by a lost directory's entries can be trusted: not at all when the
// directory lies in free clusters, as listed when it is a chain the table still allocates.
enum class LostEntries { Deleted, AsListed };

// The record of a cluster (or a chain's clusters) that opens with "." and ".." and passes the
// directory-block test: its entries listed (all as deleted, by default), its own cluster as
// its "." entry names it. None when the bytes fail or list nothing.
std::optional<LostDirectoryRecord> ListLostDirectory(std::span<const std::uint8_t> cluster, std::uint32_t number,
                                                     std::uint64_t sector, ListContext& context,
                                                     LostEntries entries = LostEntries::Deleted);

// Links the records into folders (a FAT directory entry names one cluster, its directory's
// first), renames the files of each folder whose names differ only in case, and leaves out
// the folders of restore-point logs. The top-level folders are returned in cluster order.
std::vector<ScanNode> LinkFatLostDirectories(std::vector<LostDirectoryRecord> records, NamePool& names,
                                             std::uint64_t clusterBytes);

}  // namespace tundrel
