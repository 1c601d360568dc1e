#pragma once
// Deleted files whose first cluster another file has taken since.

#include "scan/scan_node.h"

namespace tundrel {

class FatTable;

// Marks kFlagOverwritten on every deleted file with data below `node` whose first cluster's
// table entry is no longer free: what that cluster holds now belongs to a later file.
void MarkOverwrittenFiles(ScanNode& node, FatTable& table);

}  // namespace tundrel
