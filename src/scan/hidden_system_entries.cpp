#include "scan/hidden_system_entries.h"

#include <algorithm>
#include <vector>

#include "scan/name_case.h"
#include "scan/user_document.h"
#include "scan/child_array.h"
#include "scan/node_links.h"
#include "scan/node_order.h"

namespace tundrel {
namespace {

bool IsSystemEntry(const ScanNode& node) {
    if (!node.Has(kFlagHidden) || !node.Has(kFlagSystem)) return false;
    if (node.name != nullptr && UpperCased(node.name).find(u"FOUND.") != std::u16string::npos) return false;
    return !HoldsUserDocument(node);
}

}  // namespace

void MoveHiddenSystemEntries(ScanNode& root, ScanNode& hidden) {
    if (std::none_of(root.children.begin(), root.children.end(), IsSystemEntry)) return;
    std::vector<ScanNode> moved;
    std::vector<ScanNode> kept;
    for (ScanNode& child : root.children) (IsSystemEntry(child) ? moved : kept).push_back(std::move(child));
    root.children = std::move(kept);
    if (root.children.empty()) {
        ReleaseSubtree(root);
    } else {
        RelinkMovedChildren(root);
    }
    for (ScanNode& earlier : hidden.children) moved.push_back(std::move(earlier));
    hidden.children.clear();
    AppendChildren(hidden, std::move(moved));
    SortChildren(hidden, ChildOrder::Default);
}

}  // namespace tundrel
