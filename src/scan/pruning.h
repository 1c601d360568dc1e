#pragma once
// Marking nodes for removal and dropping them from their parents' child arrays.

#include "scan/node_order.h"
#include "scan/scan_node.h"

namespace tundrel {

// Sets or clears the pruned bit on the node and every node below it.
void SetPrunedRecursive(ScanNode& node, bool pruned);

// Drops the pruned children of this one array, keeping the others in their order.
void DropPrunedChildren(ScanNode& directory);

// Sorts the children, drops the pruned ones with everything below them and does the same in
// every kept directory below.
void Compact(ScanNode& directory, ChildOrder order = ChildOrder::Default);

}  // namespace tundrel
