#include "ntfs/directory_index.h"

#include <cstring>

#include "disk/volume_info.h"
#include "ntfs/mft_record_fixup.h"
#include "support/byte_reader.h"

namespace tundrel {
namespace {

constexpr std::size_t kRootHeaderOffset = 0x10;
constexpr std::size_t kRootBlockBytesField = 0x08;
constexpr std::size_t kBlockHeaderOffset = 0x18;
// The node header, relative to its own start: offsets are counted from there.
constexpr std::size_t kEntriesOffsetField = 0x00;
constexpr std::size_t kEntriesEndField = 0x04;
constexpr std::size_t kAllocatedEndField = 0x08;
constexpr std::size_t kNodeHeaderBytes = 0x10;

constexpr std::size_t kIndexEntryLengthField = 0x08;
constexpr std::size_t kKeyLengthField = 0x0A;
constexpr std::size_t kEntryFlagsField = 0x0C;
constexpr std::size_t kKeyOffset = 0x10;
constexpr std::uint16_t kLastEntry = 0x02;
constexpr std::size_t kShortestKey = 0x42;  // a $FILE_NAME value without its name
constexpr std::size_t kShortestNamedEntry = kKeyOffset + kShortestKey + 2;
constexpr std::uint8_t kHighestNamespace = 3;

constexpr std::uint32_t kSmallestBlock = 512;
constexpr std::uint32_t kLargestBlock = 64 * 1024;

// The entry at `offset` of `node` when it is a whole, named $FILE_NAME entry; its length in `length`.
std::optional<IndexEntry> EntryAt(const ByteReader& node, std::size_t offset, std::size_t end, std::size_t& length) {
    length = node.U16(offset + kIndexEntryLengthField);
    const std::size_t keyLength = node.U16(offset + kKeyLengthField);
    if (length < kShortestNamedEntry || length % 8 != 0 || offset + length > end || !node.Has(offset, length)) {
        return std::nullopt;
    }
    if (keyLength < kShortestKey || kKeyOffset + keyLength > length) return std::nullopt;
    auto key = ReadFileNameValue(node.Bytes(offset + kKeyOffset, keyLength));
    if (!key || key->name.empty() || key->nameSpace > kHighestNamespace) return std::nullopt;
    IndexEntry entry;
    entry.record = node.U32(offset);
    entry.key = std::move(*key);
    return entry;
}

// The live entries from the node's first to its last-entry mark, then the slack up to the
// node's allocated end, searched at every 8-byte step for whole entries.
std::vector<IndexEntry> ReadNode(std::span<const std::uint8_t> bytes, std::size_t header) {
    std::vector<IndexEntry> entries;
    const ByteReader node(bytes);
    if (!node.Has(header, kNodeHeaderBytes)) return entries;
    const std::size_t first = header + node.U32(header + kEntriesOffsetField);
    const std::size_t allocatedEnd = std::min<std::size_t>(header + std::size_t{node.U32(header + kAllocatedEndField)}, bytes.size());
    const std::size_t liveEnd = std::min<std::size_t>(header + std::size_t{node.U32(header + kEntriesEndField)}, allocatedEnd);
    if (first < header + kNodeHeaderBytes || first > liveEnd) return entries;

    std::size_t offset = first;
    while (node.Has(offset, kKeyOffset) && offset + kKeyOffset <= liveEnd) {
        const std::size_t length = node.U16(offset + kIndexEntryLengthField);
        if ((node.U16(offset + kEntryFlagsField) & kLastEntry) != 0) {
            // The closing entry holds no key, at most the pointer to its sub-node.
            offset += length >= kKeyOffset && length % 8 == 0 ? length : kKeyOffset;
            break;
        }
        std::size_t entryLength = 0;
        if (auto entry = EntryAt(node, offset, liveEnd, entryLength)) entries.push_back(std::move(*entry));
        if (length < kKeyOffset || length % 8 != 0) break;
        offset += length;
    }
    for (offset = (offset + 7) / 8 * 8; offset + kShortestNamedEntry <= allocatedEnd;) {
        std::size_t length = 0;
        if (auto entry = EntryAt(node, offset, allocatedEnd, length)) {
            entry->fromSlack = true;
            entries.push_back(std::move(*entry));
            offset += length;
        } else {
            offset += 8;
        }
    }
    return entries;
}

}  // namespace

IndexRoot ReadIndexRoot(std::span<const std::uint8_t> value) {
    IndexRoot root;
    const std::uint32_t blockBytes = ByteReader(value).U32(kRootBlockBytesField);
    const bool powerOfTwo = (blockBytes & (blockBytes - 1)) == 0;
    if (powerOfTwo && blockBytes >= kSmallestBlock && blockBytes <= kLargestBlock) root.blockBytes = blockBytes;
    root.entries = ReadNode(value, kRootHeaderOffset);
    return root;
}

bool FixupIndexBlock(std::span<std::uint8_t> block) {
    const auto signature = ByteReader(block).Bytes(0, 4);
    if (signature.empty() || std::memcmp(signature.data(), "INDX", 4) != 0) return false;
    return ApplyUpdateSequence(block);
}

bool ApplyUpdateSequence(std::span<std::uint8_t> block) {
    const ByteReader reader(block);
    const std::size_t sequenceOffset = reader.U16(kUpdateSequenceOffsetField);
    const std::size_t sequenceCount = reader.U16(kUpdateSequenceCountField);
    // One number, then one saved pair per sector of the block.
    if (sequenceCount < 2 || sequenceCount - 1 != block.size() / kSectorBytes) return false;
    if (sequenceOffset < kUpdateSequenceCountField + 2 || !reader.Has(sequenceOffset, 2 * sequenceCount)) return false;
    if (sequenceOffset + 2 * sequenceCount > kSectorBytes - 2) return false;
    const std::uint16_t number = reader.U16(sequenceOffset);
    for (std::size_t sector = 1; sector < sequenceCount; ++sector) {
        const std::size_t tail = sector * kSectorBytes - 2;
        if (ByteReader(block).U16(tail) != number) return false;
        block[tail] = block[sequenceOffset + 2 * sector];
        block[tail + 1] = block[sequenceOffset + 2 * sector + 1];
    }
    return true;
}

std::vector<IndexEntry> ReadIndexBlock(std::span<const std::uint8_t> block) { return ReadNode(block, kBlockHeaderOffset); }

}  // namespace tundrel
