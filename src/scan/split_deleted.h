#pragma once
// Moving deleted entries out of a directory tree into the deleted-files root, each under
// copies of the live directories on its path.

#include "scan/scan_node.h"

namespace tundrel {

enum class SplitLevel { TopLevel, Nested };

// Moves every deleted child of `source` to `destination`; a live child with deleted nodes
// below it stays, and a copy of it (without its children) that receives them, recursively,
// goes to `destination`. At top level, a live hidden system recycle-bin folder moves whole.
// The moved nodes follow the destination's earlier children, in source order.
void SplitDeleted(ScanNode& source, ScanNode& destination, SplitLevel level = SplitLevel::TopLevel);

}  // namespace tundrel
