#pragma once
// Opening a directory while browsing: its children are made on first use.

#include "scan/scan_node.h"

namespace tundrel {

class VolumeScanner;

// Gives a directory its children when it has none yet: from the scanner's entry list, or by
// asking the scanner to read the directory. True when it has children afterwards.
bool EnsureChildren(VolumeScanner& scanner, ScanNode& directory);

}  // namespace tundrel
