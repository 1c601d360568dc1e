#pragma once
// Files that check-disk saved from lost cluster chains (FILE0000.CHK, ...) are moved out of the
// volume's own tree, to the lost-files root.

#include "scan/scan_node.h"

namespace tundrel {

// A file whose name ends in ".CHK", in any case.
bool IsCheckDiskFile(const ScanNode& node);

// Moves every check-disk file of `source` to `destination`; a directory that holds one stays,
// and a copy of it receives its check-disk files, recursively. The moved nodes follow the
// destination's earlier children; parents are linked and directory sizes summed in both.
void MoveCheckDiskFiles(ScanNode& source, ScanNode& destination);

}  // namespace tundrel
