#include "fat/chain_heads.h"

#include <algorithm>

namespace tundrel {

std::vector<bool> ChainHeadMap(std::span<const std::uint8_t> table, FatWidth width) {
    const auto entries = static_cast<std::size_t>(EntriesIn(table.size(), width));
    auto entry = [&](std::size_t index) { return ReadFatEntry(table, index, width); };
    std::vector<bool> isSuccessor(entries, false);
    for (std::size_t i = 2; i < entries; ++i) {
        const std::uint32_t value = entry(i);
        if (value < entries && value != EndOfChainValue(width)) isSuccessor[value] = true;
    }
    // The same bits turned into the heads: allocated and nobody's successor.
    for (std::size_t i = 0; i < entries; ++i) isSuccessor[i] = i >= 2 && entry(i) >= 2 && !isSuccessor[i];
    return isSuccessor;
}

std::uint64_t CountChainHeads(std::span<const std::uint8_t> table, FatWidth width) {
    const std::vector<bool> heads = ChainHeadMap(table, width);
    return static_cast<std::uint64_t>(std::count(heads.begin(), heads.end(), true));
}

}  // namespace tundrel
