#pragma once
// The size shown for a directory: the bytes of all files below it.

#include <cstdint>

#include "scan/scan_node.h"

namespace tundrel {

// Sets every directory's size, from the bottom up, to the sum over its children (named
// streams left out) and returns the node's size (a file keeps its own). A directory without
// children gets 0.
std::uint64_t SumSizes(ScanNode& node);

}  // namespace tundrel
