#pragma once
// FAT directories often hold the same deleted entry several times in a row (a file saved
// again and again by an editor); only the first of such a run is kept.

#include "scan/scan_node.h"

namespace tundrel {

// From the third child on, a child whose record is free and whose name equals that of the
// free child just before it is dropped. The remaining children keep their order.
void RemoveDuplicateEntries(ScanNode& directory);

}  // namespace tundrel
