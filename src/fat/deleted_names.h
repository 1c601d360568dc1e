#pragma once
// A directory often keeps several entries of one name: the live file and the freed records
// of earlier saves. The most useful of them is put first.

#include "scan/scan_node.h"

namespace tundrel {

// Recursively over the directory's children: for each named file, among it and the following
// children of exactly the same name, while the best so far is deleted, a later one replaces
// the best when its modification date and time are later, else when it is not marked free
// and the best is, else when it has data and the best has none. The best changes places with
// the first of the run.
void ResolveDeletedNames(ScanNode& directory);

}  // namespace tundrel
