#include "scan/pruning.h"

#include <vector>

#include "scan/child_array.h"
#include "scan/node_links.h"

namespace tundrel {

void SetPrunedRecursive(ScanNode& node, bool pruned) {
    node.Set(kFlagPruned, pruned);
    for (ScanNode& child : node.children) SetPrunedRecursive(child, pruned);
}

void DropPrunedChildren(ScanNode& directory) {
    const auto dropped = std::erase_if(
        directory.children, [](const ScanNode& child) { return child.Has(kFlagPruned); });
    if (directory.children.empty()) {
        ReleaseSubtree(directory);
    } else if (dropped > 0) {
        RelinkMovedChildren(directory);
    }
}

void Compact(ScanNode& directory, ChildOrder order) {
    SortChildren(directory, order);
    DropPrunedChildren(directory);
    for (ScanNode& child : directory.children) {
        if (child.IsDirectory()) Compact(child, ChildOrder::Default);
    }
}

}  // namespace tundrel
