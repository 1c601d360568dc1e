#pragma once
// Removing from a copy of the allocation table every cluster that a listed file or directory
// owns, so that what stays allocated belongs to nobody the directory tree knows.

#include <atomic>
#include <cstdint>
#include <span>

#include "fat/fat_entry_value.h"
#include "scan/scan_node.h"

namespace tundrel {

// For the node and every node below it whose deleted bit is clear, follows its chain from
// `location` through `table` and zeroes each entry visited. A chain stops at an end-of-chain
// value, at a cluster below 2 or at or beyond the entry count; a zeroed entry ends it, so
// loops end too. `stop` ends the walk early.
void ClearLiveChains(const ScanNode& node, std::span<std::uint8_t> table, FatWidth width,
                     const std::atomic<std::uint32_t>& stop);

}  // namespace tundrel
