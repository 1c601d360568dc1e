#include "app/check_marks.h"

#include "export/export_selection.h"
#include "scan/scan_node.h"

namespace tundrel::app {
namespace {

// Clears what is loaded below the node; folders never opened hold nothing checked.
void UncheckBelow(ScanNode& node) {
    node.Set(kFlagChecked, false);
    node.Set(kFlagPartlyChecked, false);
    for (ScanNode& child : node.children) UncheckBelow(child);
}

void RecomputeFolder(ScanNode& folder) {
    bool all = !folder.children.empty();
    bool any = false;
    for (const ScanNode& child : folder.children) {
        all = all && child.Has(kFlagChecked);
        any = any || IsSelected(child);
    }
    folder.Set(kFlagChecked, all);
    folder.Set(kFlagPartlyChecked, any && !all);
}

}  // namespace

void SetNodeChecked(VolumeScanner& scanner, ScanNode& node, bool checked) {
    if (checked) {
        CheckSubtree(scanner, node);
    } else {
        UncheckBelow(node);
    }
    for (ScanNode* ancestor = node.parent; ancestor != nullptr; ancestor = ancestor->parent) RecomputeFolder(*ancestor);
}

}  // namespace tundrel::app
