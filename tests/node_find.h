#pragma once
// Finding nodes of a scan's result tree by name and by "/"-separated UTF-8 path.

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "scan/scan_node.h"

namespace tundrel::test {

ScanNode* FindChild(const ScanNode& directory, std::u16string_view name);
// Null when the path is not there below `root`.
ScanNode* FindPath(const ScanNode& root, std::string_view path);
std::vector<std::u16string> NamesOf(const ScanNode& directory);
std::vector<std::string> ChildNamesOf(const ScanNode& directory);
// How many nodes there are below `root`, at every depth.
std::size_t CountNodes(const ScanNode& root);
// Every node below `root` with its path.
void ForEachNode(const ScanNode& root, const std::function<void(const ScanNode&, const std::string&)>& visit);

}  // namespace tundrel::test
