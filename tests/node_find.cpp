#include "node_find.h"

#include "support/text.h"

namespace tundrel::test {

ScanNode* FindChild(const ScanNode& directory, std::u16string_view name) {
    for (const ScanNode& child : directory.children) {
        if (child.name != nullptr && std::u16string_view(child.name) == name) return const_cast<ScanNode*>(&child);
    }
    return nullptr;
}

ScanNode* FindPath(const ScanNode& root, std::string_view path) {
    ScanNode* node = const_cast<ScanNode*>(&root);
    while (node != nullptr && !path.empty()) {
        const std::size_t slash = path.find('/');
        node = FindChild(*node, ToUtf16(path.substr(0, slash)));
        path = slash == std::string_view::npos ? std::string_view() : path.substr(slash + 1);
    }
    return node;
}

std::vector<std::u16string> NamesOf(const ScanNode& directory) {
    std::vector<std::u16string> names;
    for (const ScanNode& child : directory.children) names.emplace_back(child.name != nullptr ? child.name : u"");
    return names;
}

std::vector<std::string> ChildNamesOf(const ScanNode& directory) {
    std::vector<std::string> names;
    for (const ScanNode& child : directory.children) names.push_back(child.name != nullptr ? ToUtf8(child.name) : "");
    return names;
}

std::size_t CountNodes(const ScanNode& root) {
    std::size_t count = 0;
    for (const ScanNode& child : root.children) count += 1 + CountNodes(child);
    return count;
}

void ForEachNode(const ScanNode& root, const std::function<void(const ScanNode&, const std::string&)>& visit) {
    const std::function<void(const ScanNode&, const std::string&)> walk = [&](const ScanNode& node, const std::string& prefix) {
        for (const ScanNode& child : node.children) {
            const std::string path = prefix + (child.name != nullptr ? ToUtf8(child.name) : std::string());
            visit(child, path);
            walk(child, path + "/");
        }
    };
    walk(root, "");
}

}  // namespace tundrel::test
