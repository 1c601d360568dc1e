// A folder's $I30 index: an $INDEX_ROOT value, or an INDX block through its fixup.
//
// Input: one control byte, then the bytes. Control bit 0x01 reads them as an index root
// value; otherwise they are cut or zero-padded to an INDX block of 512 << ((control >> 1) & 3)
// bytes, read once as they are and once after the fixup.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "ntfs/directory_index.h"

using namespace tundrel;

namespace {

void Check(const std::vector<IndexEntry>& entries, std::size_t inputBytes) {
    // Every entry holds at least 0x52 bytes of its own: no more entries than that allows.
    if (entries.size() > inputBytes / 0x52 + 1) __builtin_trap();
    for (const IndexEntry& entry : entries) {
        if (entry.key.name.empty() || entry.key.name.size() > 255) __builtin_trap();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    const std::uint8_t control = data[0];
    const std::span<const std::uint8_t> bytes(data + 1, size - 1);
    if ((control & 0x01) != 0) {
        const IndexRoot root = ReadIndexRoot(bytes);
        if (root.blockBytes != 0 && (root.blockBytes < 512 || (root.blockBytes & (root.blockBytes - 1)) != 0)) __builtin_trap();
        Check(root.entries, bytes.size());
        return 0;
    }
    std::vector<std::uint8_t> block(std::size_t{512} << ((control >> 1) & 3), 0);
    std::copy_n(bytes.begin(), std::min(bytes.size(), block.size()), block.begin());
    Check(ReadIndexBlock(block), block.size());
    FixupIndexBlock(block);
    Check(ReadIndexBlock(block), block.size());
    return 0;
}
