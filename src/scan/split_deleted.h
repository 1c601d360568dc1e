#pragma once
// Moving deleted entries out of a directory tree into the deleted-files root, each under
// copies of the live directories on its path; and the walk that does it for any kind of entry.

#include "scan/scan_node.h"

namespace tundrel {

enum class SplitLevel { TopLevel, Nested };

// Whether a child, standing at `level`, moves out whole.
using MovesWholeTest = bool (*)(const ScanNode& child, SplitLevel level);

// Moves every child of `source` that `movesWhole` accepts to `destination`; a directory with
// such nodes below it stays, and a copy of it (without its children) that receives them,
// recursively, goes to `destination`. The moved nodes follow the destination's earlier
// children, in source order.
void SplitChildren(ScanNode& source, ScanNode& destination, MovesWholeTest movesWhole,
                   SplitLevel level = SplitLevel::TopLevel);

// Moves every deleted child of `source` to `destination`; a live child with deleted nodes
// below it stays, and a copy of it (without its children) that receives them, recursively,
// goes to `destination`. At top level, a live hidden system recycle-bin folder moves whole.
// The moved nodes follow the destination's earlier children, in source order.
void SplitDeleted(ScanNode& source, ScanNode& destination, SplitLevel level = SplitLevel::TopLevel);

}  // namespace tundrel
