#include "fat/fat_entry_value.h"

#include "support/byte_reader.h"

namespace tundrel {
namespace {

// Bytes from the entry's first byte that hold some of its bits.
constexpr std::size_t EntrySpan(FatWidth width) { return width == FatWidth::Fat32 ? 4 : 2; }

}  // namespace

std::uint32_t ReadFatEntry(std::span<const std::uint8_t> bytes, std::uint64_t index, FatWidth width,
                           std::uint64_t bytesStart) {
    const std::uint64_t offset = EntryByteOffset(index, width);
    if (offset < bytesStart) return 0;
    const ByteReader reader(bytes);
    const std::uint64_t at = offset - bytesStart;
    if (at > bytes.size() || !reader.Has(static_cast<std::size_t>(at), EntrySpan(width))) return 0;
    const auto position = static_cast<std::size_t>(at);
    switch (width) {
        case FatWidth::Fat12: {
            const std::uint16_t pair = reader.U16(position);
            return (index & 1) != 0 ? pair >> 4 : pair & 0x0FFFu;
        }
        case FatWidth::Fat16: return reader.U16(position);
        case FatWidth::Fat32: return reader.U32(position);
    }
    return 0;
}

void WriteFatEntry(std::span<std::uint8_t> table, std::uint64_t index, FatWidth width, std::uint32_t value) {
    const std::uint64_t offset = EntryByteOffset(index, width);
    const std::size_t span = EntrySpan(width);
    if (offset > table.size() || table.size() - offset < span) return;
    const auto at = static_cast<std::size_t>(offset);
    if (width == FatWidth::Fat12) {
        value &= 0x0FFFu;
        if ((index & 1) != 0) {
            table[at] = static_cast<std::uint8_t>((table[at] & 0x0Fu) | ((value << 4) & 0xF0u));
            table[at + 1] = static_cast<std::uint8_t>(value >> 4);
        } else {
            table[at] = static_cast<std::uint8_t>(value);
            table[at + 1] = static_cast<std::uint8_t>((table[at + 1] & 0xF0u) | (value >> 8));
        }
        return;
    }
    for (std::size_t i = 0; i < span; ++i) table[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

std::uint32_t NextClusterOf(std::uint32_t value, FatWidth width) {
    switch (width) {
        case FatWidth::Fat12: return value == 0 || value > 0xFF0 ? 0 : value;
        case FatWidth::Fat16: return value == 0 || value == 0xFBFF || value > 0xFFF0 ? 0 : value;
        case FatWidth::Fat32: break;
    }
    if (value <= 1 || value == 0x0FFFFFF8 || value >= 0x0FFFFFFF) return 0;
    return value;
}

std::uint32_t EndOfChainValue(FatWidth width) {
    switch (width) {
        case FatWidth::Fat12: return 0xFFF;
        case FatWidth::Fat16: return 0xFFFF;
        case FatWidth::Fat32: break;
    }
    return 0x0FFFFFFF;
}

}  // namespace tundrel
