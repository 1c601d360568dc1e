#pragma once
// Values of the allocation table's entries, where they lie in the table, and what they say
// about the next cluster.

#include <cstdint>
#include <span>

namespace tundrel {

// Bits per entry. FAT12 packs two entries into three bytes: an even entry takes its byte and
// the low half of the next one, an odd entry the high half of that byte and the byte after.
enum class FatWidth : std::uint8_t { Fat12 = 12, Fat16 = 16, Fat32 = 32 };

inline constexpr unsigned EntryBits(FatWidth width) { return static_cast<unsigned>(width); }
// Entries held by `bytes` bytes of table.
inline constexpr std::uint64_t EntriesIn(std::uint64_t bytes, FatWidth width) { return bytes * 8 / EntryBits(width); }

// FAT12/16 volumes with fewer clusters than this have a FAT12 table, whatever their boot
// sector calls them.
inline constexpr std::uint64_t kFat12ClusterLimit = 4085;

// Entry `index` of a table of which `bytes` holds the part from table byte `bytesStart` on;
// 0 when the entry does not lie wholly inside `bytes`.
std::uint32_t ReadFatEntry(std::span<const std::uint8_t> bytes, std::uint64_t index, FatWidth width,
                           std::uint64_t bytesStart = 0);
// Stores `value` as entry `index`, leaving the neighbouring FAT12 half-byte alone; nothing
// happens when the entry does not lie wholly inside `table`.
void WriteFatEntry(std::span<std::uint8_t> table, std::uint64_t index, FatWidth width, std::uint32_t value);

// The table byte that holds the start of entry `index`.
inline constexpr std::uint64_t EntryByteOffset(std::uint64_t index, FatWidth width) {
    return index * EntryBits(width) / 8;
}

// The cluster that follows, or 0 when the value ends the chain. FAT12: 0 and 0xFF1-0xFFF end
// it (0xFF7 marks a bad cluster, 0xFF8 upwards the end). FAT16: 0, 0xFBFF and 0xFFF1-0xFFFF
// end it (1 is passed on and ends it at the next lookup). FAT32 values are read whole, top
// four bits included: 0, 1, 0x0FFFFFF8 and 0x0FFFFFFF upwards end it; every other value,
// 0x0FFFFFF7 among them, is a cluster number.
std::uint32_t NextClusterOf(std::uint32_t value, FatWidth width);

// The last value of a chain: 0xFFF, 0xFFFF or 0x0FFFFFFF.
std::uint32_t EndOfChainValue(FatWidth width);

}  // namespace tundrel
