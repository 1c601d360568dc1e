#pragma once
// A result tree's nodes in a saved scan result: one record per node, depth first, each the
// number of children stored after it, the name and a 60-byte block of the node's fields.

#include <cstdint>

#include "scan/name_pool.h"
#include "scan/scan_node.h"

namespace tundrel {

class ArchiveReader;
class ArchiveWriter;

// The fewest bytes a node record takes: its count, an empty name and the field block.
inline constexpr std::uint64_t kLeastNodeRecordBytes = 4 + 4 + 60;
// Loaded trees nest no deeper (levels of nodes, the top one included): far below any depth a scan builds, and shallow enough for the
// code that walks trees recursively.
inline constexpr std::size_t kMaxLoadedTreeDepth = 1024;

// Writes `top` and everything below it.
void WriteNodeTree(ArchiveWriter& archive, const ScanNode& top);

// Reads a subtree into `top` (its former children are dropped), names interned in `names`,
// parents linked. `recordsAfter` node records must still follow the subtree: every count is
// checked against the bytes left for all records still owed before anything is allocated.
// False, with the archive marked damaged, when the records run short, a count cannot be
// held by what is left, the tree nests deeper than kMaxLoadedTreeDepth or memory runs out.
bool ReadNodeTree(ArchiveReader& archive, ScanNode& top, NamePool& names, std::uint64_t recordsAfter);

}  // namespace tundrel
