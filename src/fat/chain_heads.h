#pragma once
// The clusters at which chains begin: the measure of a FAT scan's work.

#include <cstdint>
#include <span>
#include <vector>

#include "fat/fat_entry_value.h"

namespace tundrel {

// Over a whole table, counts the allocated clusters (entry 2 or more, from entry 2 on) that no
// other entry names as its successor. A successor is any value below the entry count, except
// the end-of-chain value 0xFFF, 0xFFFF or 0x0FFFFFFF.
std::uint64_t CountChainHeads(std::span<const std::uint8_t> table, FatWidth width);

// The same heads as one bit per entry of the table.
std::vector<bool> ChainHeadMap(std::span<const std::uint8_t> table, FatWidth width);

}  // namespace tundrel
