#pragma once
// Small trees of named nodes for the result-tree tests.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "node_find.h"
#include "scan/name_pool.h"
#include "scan/scan_node.h"

namespace tundrel::test {

class TreeBuilder {
public:
    ScanNode File(std::u16string_view name, std::uint64_t size = 0, std::uint32_t flags = 0) {
        ScanNode node;
        node.name = pool.Add(name);
        node.size = size;
        node.flags = flags;
        return node;
    }

    ScanNode Dir(std::u16string_view name, std::vector<ScanNode> children = {},
                 std::uint32_t flags = 0) {
        ScanNode node = File(name, 0, flags | kFlagDirectory);
        node.children = std::move(children);
        return node;
    }

    NamePool pool;
};

// True when every node below `node` points back at the node that holds it.
inline bool ParentsLinked(const ScanNode& node) {
    for (const ScanNode& child : node.children) {
        if (child.parent != &node || !ParentsLinked(child)) return false;
    }
    return true;
}

}  // namespace tundrel::test
