#include "fat/chain_heads.h"

#include <vector>

#include "support/byte_reader.h"

namespace tundrel {

std::uint64_t CountChainHeads(std::span<const std::uint8_t> table, FatWidth width) {
    const unsigned entryBytes = EntryWidthBytes(width);
    const std::size_t entries = table.size() / entryBytes;
    const ByteReader reader(table);
    auto entry = [&](std::size_t index) -> std::uint32_t {
        return entryBytes == 2 ? reader.U16(index * 2) : reader.U32(index * 4);
    };
    std::vector<bool> isSuccessor(entries, false);
    for (std::size_t i = 2; i < entries; ++i) {
        const std::uint32_t value = entry(i);
        const bool excluded = width == FatWidth::Fat32 ? value == 0x0FFFFFFF : value > 0xFFFE;
        if (value < entries && !excluded) isSuccessor[value] = true;
    }
    std::uint64_t heads = 0;
    for (std::size_t i = 2; i < entries; ++i) {
        if (entry(i) >= 2 && !isSuccessor[i]) ++heads;
    }
    return heads;
}

}  // namespace tundrel
