#include "scan/node_links.h"

namespace tundrel {

void LinkParents(ScanNode& node, LinkDepth depth) {
    for (ScanNode& child : node.children) {
        child.parent = &node;
        if (depth == LinkDepth::WholeSubtree && !child.children.empty()) {
            LinkParents(child, depth);
        }
    }
}

void RelinkMovedChildren(ScanNode& node) {
    for (ScanNode& child : node.children) {
        child.parent = &node;
        LinkParents(child, LinkDepth::ChildrenOnly);
    }
}

const ScanNode& TopAncestor(const ScanNode& node) {
    const ScanNode* top = &node;
    while (top->parent != nullptr) top = top->parent;
    return *top;
}

bool NameOccursAmongAncestors(const ScanNode& start, const ScanNode& node) {
    if (node.name == nullptr) return false;
    for (const ScanNode* ancestor = &start; ancestor != nullptr; ancestor = ancestor->parent) {
        if (ancestor->name == node.name) return true;
    }
    return false;
}

}  // namespace tundrel
