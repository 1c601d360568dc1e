#include "scan/child_array.h"

#include <iterator>
#include <new>

#include "scan/node_links.h"

namespace tundrel {
namespace {

bool AbandonChildren(ScanNode& directory) {
    ReleaseSubtree(directory);
    return false;
}

}  // namespace

bool AppendChild(ScanNode& directory, ScanNode child) {
    const bool moves = directory.children.size() == directory.children.capacity();
    try {
        directory.children.push_back(std::move(child));
    } catch (const std::bad_alloc&) {
        return AbandonChildren(directory);
    }
    if (moves) {
        RelinkMovedChildren(directory);
    } else {
        ScanNode& added = directory.children.back();
        added.parent = &directory;
        LinkParents(added, LinkDepth::ChildrenOnly);
    }
    return true;
}

bool AppendChildren(ScanNode& directory, std::vector<ScanNode>&& nodes) {
    if (directory.children.empty()) {
        // The nodes' own array becomes the children: nothing is copied.
        directory.children = std::move(nodes);
        nodes.clear();
        RelinkMovedChildren(directory);
        return true;
    }
    try {
        directory.children.reserve(directory.children.size() + nodes.size());
    } catch (const std::bad_alloc&) {
        return AbandonChildren(directory);
    }
    directory.children.insert(directory.children.end(), std::make_move_iterator(nodes.begin()),
                              std::make_move_iterator(nodes.end()));
    nodes.clear();
    RelinkMovedChildren(directory);
    return true;
}

bool AssignChildren(ScanNode& directory, std::span<const ScanNode> entries) {
    try {
        directory.children.assign(entries.begin(), entries.end());
    } catch (const std::bad_alloc&) {
        return AbandonChildren(directory);
    }
    RelinkMovedChildren(directory);
    return true;
}

void ReleaseSubtree(ScanNode& node) { std::vector<ScanNode>().swap(node.children); }

}  // namespace tundrel
