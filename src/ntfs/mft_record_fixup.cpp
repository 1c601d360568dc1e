#include "ntfs/mft_record_fixup.h"

#include <algorithm>
#include <cstring>

#include "support/byte_reader.h"

namespace tundrel {
namespace {

constexpr std::size_t kSignatureSearchEnd = 1022;  // offsets 1 to 1021 are tried
constexpr std::size_t kSignatureBytes = 4;
constexpr std::uint16_t kSequenceOffsetLimit = 0x50;
constexpr std::size_t kFirstSectorTail = 510;

bool HasSignatureAt(std::span<const std::uint8_t> bytes, std::size_t offset) {
    const auto field = ByteReader(bytes).Bytes(offset, kSignatureBytes);
    return !field.empty() && std::memcmp(field.data(), "FILE", kSignatureBytes) == 0;
}

// Realigns the block at `blockStart`; the bytes that follow it in `buffer` supply the shift.
void RealignBlock(std::span<std::uint8_t> buffer, std::size_t blockStart) {
    const std::span<const std::uint8_t> rest = buffer.subspan(blockStart);
    if (HasSignatureAt(rest, 0)) return;
    const std::size_t searchEnd = std::min(kSignatureSearchEnd, rest.size());
    for (std::size_t shift = 1; shift < searchEnd; ++shift) {
        if (!HasSignatureAt(rest, shift)) continue;
        const std::size_t blockBytes = std::min(kMftRecordBytes, rest.size());
        const std::size_t available = std::min(blockBytes, rest.size() - shift);
        std::uint8_t* block = buffer.data() + blockStart;
        std::memmove(block, block + shift, available);
        std::fill(block + available, block + blockBytes, 0);
        return;
    }
}

}  // namespace

void RealignMftRecords(std::span<std::uint8_t> buffer) {
    for (std::size_t blockStart = 0; blockStart < buffer.size(); blockStart += kMftRecordBytes) {
        RealignBlock(buffer, blockStart);
    }
}

void FixupFirstSector(std::span<std::uint8_t> record) {
    if (record.empty()) return;
    RealignBlock(record, 0);
    const ByteReader reader(record);
    const std::uint16_t sequenceOffset = reader.U16(kUpdateSequenceOffsetField);
    const std::uint16_t sequenceCount = reader.U16(kUpdateSequenceCountField);
    if (sequenceOffset == 0 || sequenceOffset >= kSequenceOffsetLimit || sequenceCount <= 1) return;
    const auto savedPair = reader.Bytes(sequenceOffset + 2u, 2);
    if (savedPair.empty() || !reader.Has(kFirstSectorTail, 2)) return;
    record[kFirstSectorTail] = savedPair[0];
    record[kFirstSectorTail + 1] = savedPair[1];
}

}  // namespace tundrel
