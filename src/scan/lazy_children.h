#pragma once
// Children that a scanner keeps in its own entry list until the directory is first opened.

#include "scan/scan_node.h"

namespace tundrel {

// Levels below the opened directory that one fill materialises; it also bounds the walk
// when a damaged volume makes a directory contain itself.
inline constexpr int kLazyFillDepth = 50;

// When the directory has no children yet but has a source entry list, copies the entries
// in as its children, and does the same for the child directories, kLazyFillDepth levels
// down. Returns false when memory ran out (that directory's children are then empty).
bool FillLazyChildren(ScanNode& directory);

}  // namespace tundrel
