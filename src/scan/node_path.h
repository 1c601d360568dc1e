#pragma once
// The path under which a node is shown: its name and those of its ancestors.

#include <string>

#include "scan/scan_node.h"

namespace tundrel {

// "\dir\file" from below the root folder; the root folder's own name is never part of it. A
// node without a parent (a root folder) gives its own name; no node gives "".
std::u16string PathOf(const ScanNode* node);

// PathOf with the display text of the root folder's source record in front, when it has one.
std::u16string DisplayPathOf(const ScanNode* node);

}  // namespace tundrel
