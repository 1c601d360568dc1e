#pragma once
// Every scanner the engine has, by file-system type: the table front ends hand to a scan run.

#include "scan/scanner_table.h"

namespace tundrel {

ScannerTable AllScanners();

}  // namespace tundrel
