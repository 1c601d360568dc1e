#include "export/export_selection.h"

#include "scan/node_expansion.h"

namespace tundrel {
namespace {

// Bounds the walk of a damaged volume whose folders contain themselves: the copies of the
// folder's entries would otherwise be opened without end.
constexpr int kMaxCheckDepth = 256;

void CheckBelow(VolumeScanner& scanner, ScanNode& node, int depth) {
    node.Set(kFlagChecked, true);
    node.Set(kFlagPartlyChecked, false);
    if (!node.IsDirectory() || depth >= kMaxCheckDepth) return;
    EnsureChildren(scanner, node);
    for (ScanNode& child : node.children) CheckBelow(scanner, child, depth + 1);
}

}  // namespace

void CheckSubtree(VolumeScanner& scanner, ScanNode& node) {
    CheckBelow(scanner, node, 0);
    for (ScanNode* ancestor = node.parent; ancestor != nullptr; ancestor = ancestor->parent) {
        if (!ancestor->Has(kFlagChecked)) ancestor->Set(kFlagPartlyChecked, true);
    }
}

void AddSelection(const ScanNode& node, SelectionTotals& totals) {
    if (!IsSelected(node)) return;
    if (!node.IsDirectory()) {
        if (!node.Has(kFlagChecked)) return;
        ++totals.files;
        totals.bytes += node.size;
        if (node.size >= kFatFileSizeLimit) totals.bigFiles.push_back({node.name ? node.name : u"", node.size});
        return;
    }
    ++totals.folders;
    for (const ScanNode& child : node.children) AddSelection(child, totals);
}

SelectionTotals SelectionOf(const ResultTree& tree) {
    SelectionTotals totals;
    for (const ScanNode& root : tree.roots) AddSelection(root, totals);
    return totals;
}

bool HasSelection(const ResultTree& tree) {
    for (const ScanNode& root : tree.roots) {
        if (IsSelected(root) && !root.children.empty()) return true;
    }
    return false;
}

}  // namespace tundrel
