#pragma once
// The order of a directory's children: directories first, then by name.

#include "scan/scan_node.h"

namespace tundrel {

enum class ChildOrder {
    Default,
    // As Default, but folders named "Dir_<number>" or "Cluster_<number>" (made up for lost,
    // deleted and scanned data) follow their numbers, so Dir_2 comes before Dir_10.
    NumberedFolders,
};

// Case-insensitive name comparison in the current locale: negative, zero or positive.
// A missing name compares equal to anything.
int CompareNames(const char16_t* left, const char16_t* right);

// Negative when `left` sorts before `right`, zero when the order leaves them as they are.
int CompareNodes(const ScanNode& left, const ScanNode& right, ChildOrder order);

// Stable sort of the node's children. Records move in the array, so the parent links of
// their own children are set again.
void SortChildren(ScanNode& directory, ChildOrder order);

}  // namespace tundrel
