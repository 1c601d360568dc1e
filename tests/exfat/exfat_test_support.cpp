#include "exfat/exfat_test_support.h"

#include <algorithm>

#include "exfat/exfat_entry_set.h"

namespace tundrel::test {
namespace {

void Put(std::span<std::uint8_t> bytes, std::size_t at, std::uint64_t value, int width) {
    for (int i = 0; i < width; ++i) bytes[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

}  // namespace

std::vector<std::uint8_t> EntrySet(const SetLayout& layout) {
    const std::size_t names = layout.nameEntries != 0 ? layout.nameEntries : std::max<std::size_t>(1, (layout.name.size() + 14) / 15);
    std::vector<std::uint8_t> set((2 + names) * 32, 0);
    const std::span<std::uint8_t> b(set);
    b[0] = 0x85;
    b[1] = static_cast<std::uint8_t>(1 + names);
    Put(b, 4, layout.attributes, 2);
    for (const std::size_t stamp : {8, 12, 16}) Put(b, stamp, 0x58354A00, 4);  // 2024-01-21 09:16:00
    b[32] = 0xC0;
    b[33] = layout.streamFlags;
    b[35] = static_cast<std::uint8_t>(layout.nameLength < 0 ? layout.name.size() : layout.nameLength);
    Put(b, 36, static_cast<std::uint16_t>(NameHash(layout.name).value_or(0) + layout.hashDelta), 2);
    Put(b, 40, layout.length, 8);
    Put(b, 52, layout.firstCluster, 4);
    Put(b, 56, layout.length, 8);
    for (std::size_t i = 0; i < names * 15; ++i) {
        if (i % 15 == 0) b[64 + i / 15 * 32] = 0xC1;
        if (i < layout.name.size()) Put(b, 64 + i / 15 * 32 + 2 + i % 15 * 2, layout.name[i], 2);
    }
    Put(b, 2, EntrySetChecksum(set), 2);
    for (std::size_t at = 0; layout.deleted && at < set.size(); at += 32) set[at] &= 0x7F;
    return set;
}

std::vector<std::uint8_t> Block(std::initializer_list<std::vector<std::uint8_t>> entries) {
    std::vector<std::uint8_t> block;
    for (const auto& entry : entries) {
        block.insert(block.end(), entry.begin(), entry.end());
        block.resize((block.size() + 31) / 32 * 32, 0);  // a lone type byte is a whole entry
    }
    block.resize(4096, 0);
    return block;
}

}  // namespace tundrel::test
