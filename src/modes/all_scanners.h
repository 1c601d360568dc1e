#pragma once
// The registration tables: every file system the engine reads, and every scanner.

#include "disk/file_system_entry.h"
#include "scan/scanner_table.h"

namespace tundrel {

// In the order boot sectors are tested: NTFS, exFAT, FAT.
FileSystemTable AllFileSystems();

// One entry per type code that a file system serves, with that file system's scanner.
ScannerTable AllScanners();

}  // namespace tundrel
