#pragma once
// Folders of System Restore's change logs, which a search of free space finds in numbers and
// which hold nothing a user lost.

#include "scan/scan_node.h"

namespace tundrel {

// Whether the directory's trailing children are restore-point log names ("#hange.log",
// "change.log.1" to "change.log.12", "RestorePointSize") and make up at least half of them.
bool IsRestorePointFolder(const ScanNode& directory);

}  // namespace tundrel
