#include "fat/chain_heads.h"

#include <vector>


namespace tundrel {

std::uint64_t CountChainHeads(std::span<const std::uint8_t> table, FatWidth width) {
    const auto entries = static_cast<std::size_t>(EntriesIn(table.size(), width));
    auto entry = [&](std::size_t index) { return ReadFatEntry(table, index, width); };
    std::vector<bool> isSuccessor(entries, false);
    for (std::size_t i = 2; i < entries; ++i) {
        const std::uint32_t value = entry(i);
        if (value < entries && value != EndOfChainValue(width)) isSuccessor[value] = true;
    }
    std::uint64_t heads = 0;
    for (std::size_t i = 2; i < entries; ++i) {
        if (entry(i) >= 2 && !isSuccessor[i]) ++heads;
    }
    return heads;
}

}  // namespace tundrel
