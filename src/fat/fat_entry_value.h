#pragma once
// Values of the allocation table's entries and what they say about the next cluster.

#include <cstdint>

namespace tundrel {

enum class FatWidth : std::uint8_t { Fat16 = 2, Fat32 = 4 };

inline constexpr unsigned EntryWidthBytes(FatWidth width) { return static_cast<unsigned>(width); }

// The cluster that follows, or 0 when the value ends the chain. FAT16: 0, 0xFBFF and
// 0xFFF1-0xFFFF end it (1 is passed on and ends it at the next lookup). FAT32 values are
// read whole, top four bits included: 0, 1, 0x0FFFFFF8 and 0x0FFFFFFF upwards end it; every
// other value, 0x0FFFFFF7 among them, is a cluster number.
std::uint32_t NextClusterOf(std::uint32_t value, FatWidth width);

}  // namespace tundrel
