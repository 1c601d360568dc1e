#include "export/export_selection.h"

#include "scan/node_expansion.h"
#include "scan/size_bounds.h"
#include "scan/volume_scanner.h"

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

void AddSelection(const VolumeScanner& scanner, const ScanNode& node, SelectionTotals& totals) {
    if (!IsSelected(node)) return;
    if (!node.IsDirectory()) {
        if (!node.Has(kFlagChecked)) return;
        ++totals.files;
        const std::uint64_t size = BoundedSize(scanner, node);
        totals.bytes += size;
        if (size >= kFatFileSizeLimit) totals.bigFiles.push_back({node.name ? node.name : u"", size});
        return;
    }
    ++totals.folders;
    for (const ScanNode& child : node.children) AddSelection(scanner, child, totals);
}

SelectionTotals SelectionOf(const VolumeScanner& scanner) {
    SelectionTotals totals;
    for (const ScanNode& root : scanner.roots.roots) AddSelection(scanner, root, totals);
    return totals;
}

bool HasSelection(const ResultTree& tree) {
    for (const ScanNode& root : tree.roots) {
        if (IsSelected(root) && !root.children.empty()) return true;
    }
    return false;
}

}  // namespace tundrel
