#pragma once
// The finds of a carving pass as folders of the results' root of file types.

#include <cstdint>
#include <vector>

#include "carve/carve_type_table.h"
#include "scan/scan_node.h"

namespace tundrel {

class NamePool;

// Puts each rule's finds into a folder named for its type under `typesRoot` (a folder of
// that name already there gets them added), then empties the finds. A find's size is cut at
// the end of the source (`sourceSectors`, 0 when unknown); one lying beyond 32-bit sector
// numbers is passed over.
void AttachCarvedFiles(std::vector<CarveRule>& table, ScanNode& typesRoot, NamePool& names, std::uint64_t sourceSectors);

}  // namespace tundrel
