#pragma once
// Growing and releasing a directory's child array.
//
// When memory runs out while a child array grows, that directory's children are abandoned
// (the array is emptied) and the rest of the tree stays usable.

#include <span>
#include <vector>

#include "scan/scan_node.h"

namespace tundrel {

// Appends one child; false when memory ran out and the directory's children were dropped.
bool AppendChild(ScanNode& directory, ScanNode child);
// Appends the nodes in one step, keeping their order; false as AppendChild.
bool AppendChildren(ScanNode& directory, std::vector<ScanNode>&& nodes);
// Replaces the children by copies of `entries`; false as AppendChild.
bool AssignChildren(ScanNode& directory, std::span<const ScanNode> entries);

// Frees the whole child array below the node.
void ReleaseSubtree(ScanNode& node);

}  // namespace tundrel
