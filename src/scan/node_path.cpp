#include "scan/node_path.h"

#include <string_view>

#include "scan/node_links.h"

namespace tundrel {
std::u16string PathOf(const ScanNode* node) {
    if (node == nullptr) return {};
    if (node->parent == nullptr) return std::u16string(NameOf(*node));
    std::u16string path;
    // Built leaf first with reversed components, then turned around once.
    for (const ScanNode* step = node; step->parent != nullptr; step = step->parent) {
        const std::u16string_view name = NameOf(*step);
        path.append(name.rbegin(), name.rend());
        path.push_back(u'\\');
    }
    return std::u16string(path.rbegin(), path.rend());
}

std::u16string DisplayPathOf(const ScanNode* node) {
    if (node == nullptr) return {};
    const DirectorySource* source = TopAncestor(*node).dirSource;
    if (source == nullptr) return PathOf(node);
    return source->displayText + PathOf(node);
}

}  // namespace tundrel
