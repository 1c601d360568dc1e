#pragma once
// Hidden system entries at the top of a volume (the system's own files and folders) are kept
// apart from the user's.

#include "scan/scan_node.h"

namespace tundrel {

// Moves the children of `root` that are both hidden and system, whose name does not contain
// "FOUND." (check-disk folders) and that hold no user document, in front of the children of
// `hidden`, which is then sorted.
void MoveHiddenSystemEntries(ScanNode& root, ScanNode& hidden);

}  // namespace tundrel
