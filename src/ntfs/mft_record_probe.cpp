#include "ntfs/mft_record_probe.h"

#include <algorithm>
#include <array>

#include "ntfs/data_runs.h"
#include "ntfs/mft_attribute.h"
#include "ntfs/mft_record_header.h"
#include "support/byte_reader.h"

namespace tundrel {
namespace {

constexpr std::size_t kIndexRootShortest = 0x59;  // long enough to hold the first entry's key
constexpr std::size_t kIndexRootOwnRecordField = 0x50;
constexpr std::size_t kIndexAllocationRunListField = 0x20;
constexpr std::size_t kRunListLimitInRecord = 0x400;
constexpr std::size_t kLastVcnField = 0x18;
constexpr std::size_t kAllocatedSizeField = 0x28;
constexpr std::size_t kProbeRunListOffset = 0x40;
constexpr std::size_t kSlackEnd = 0x3F0;
constexpr std::size_t kSlackStartAfterEnd = 0x10;
constexpr std::uint32_t kIgnoredTimeHigh = 0x11477982;

void ReadIndexRootHints(const MftAttribute& attribute, MftRecordHints& hints) {
    if (attribute.Length() < kIndexRootShortest) return;
    hints.ownRecord = ByteReader(attribute.bytes).U32(kIndexRootOwnRecordField);
}

void ReadIndexAllocation(std::span<const std::uint8_t> record, const MftAttribute& attribute, MftRecordHints& hints) {
    const std::uint32_t runListOffset = ByteReader(attribute.bytes).U32(kIndexAllocationRunListField);
    const std::uint64_t at = attribute.offset + static_cast<std::uint64_t>(runListOffset);
    if (at >= kRunListLimitInRecord) return;
    const ByteReader reader(record);
    const std::uint8_t header = reader.U8(at);
    const unsigned lengthBytes = header & 0x0Fu;
    const unsigned deltaBytes = header >> 4u;
    if (deltaBytes > 4 || !reader.Has(at, 1 + lengthBytes + deltaBytes)) return;
    std::uint32_t cluster = 0;
    for (unsigned i = deltaBytes; i-- > 0;) cluster = (cluster << 8) | reader.U8(at + 1 + lengthBytes + i);
    hints.indexStartCluster = cluster;
}

void ReadDataHints(std::span<const std::uint8_t> record, const MftAttribute& attribute, ProbeRequest request,
                   MftRecordHints& hints) {
    const ByteReader reader(attribute.bytes);
    if (request.sectorsPerCluster) {
        const auto allocated = static_cast<std::uint32_t>(reader.U64(kAllocatedSizeField));
        const auto lastVcn = static_cast<std::uint32_t>(reader.U64(kLastVcnField));
        if (allocated != 0 && lastVcn != 0xFFFFFFFF) {
            hints.sectorsPerCluster = (allocated / 512) / (lastVcn + 1);
        }
    }
    if (request.dataStart) {
        // The runs are taken at 0x40 and may read on into the rest of the record, then zeros.
        std::array<std::uint8_t, kMftRecordBytes + 4> runBytes{};
        const std::size_t from = attribute.offset + kProbeRunListOffset;
        if (from < record.size()) {
            const std::size_t count = std::min(record.size() - from, runBytes.size());
            std::copy_n(record.begin() + static_cast<std::ptrdiff_t>(from), count, runBytes.begin());
        }
        MftRunList runs;
        DecodeRunList(runBytes, runs);
        if (!runs.empty()) hints.dataStartCluster = runs.front().startCluster;
    }
}

// A deleted entry's $FILE_NAME often survives after the end marker; its four time stamps'
// high halves are non-zero, mostly alike, and stand right behind the parent reference.
bool LooksLikeLeftOverTimes(const ByteReader& reader, std::size_t at) {
    std::array<std::uint32_t, 4> highs{};
    for (std::size_t i = 0; i < highs.size(); ++i) highs[i] = reader.U32(at + 4 + 8 * i);
    if (std::any_of(highs.begin(), highs.end(), [](std::uint32_t value) { return value == 0; })) return false;
    if (highs[0] == kIgnoredTimeHigh || reader.U32(at) == 0xFFFFFFFF) return false;
    bool twoAlike = false;
    for (std::size_t i = 0; i < highs.size(); ++i) {
        for (std::size_t j = i + 1; j < highs.size(); ++j) twoAlike = twoAlike || highs[i] == highs[j];
    }
    if (!twoAlike) return false;
    for (std::size_t i = 0; i < highs.size(); ++i) {
        const auto bytes = reader.Bytes(at + 4 + 8 * i, 4);
        if (std::find(bytes.begin(), bytes.end(), 0) != bytes.end()) return false;
    }
    return true;
}

void SearchSlackForName(std::span<const std::uint8_t> record, std::size_t endOffset, MftRecordHints& hints) {
    const ByteReader reader(record);
    for (std::size_t at = endOffset + kSlackStartAfterEnd; at < kSlackEnd; at += 8) {
        if (!LooksLikeLeftOverTimes(reader, at)) continue;
        const auto parent = static_cast<std::int32_t>(reader.U32(at - 8));
        hints.ownRecord = parent < 0 ? 0 : static_cast<std::uint32_t>(parent);
        return;
    }
}

}  // namespace

MftRecordHints ProbeMftRecord(std::span<std::uint8_t> record, ProbeRequest request) {
    MftRecordHints hints;
    FixupFirstSector(record);
    const std::uint16_t firstAttribute = FirstAttributeOffset(record);
    if (!IsFirstAttributeInRange(firstAttribute)) return hints;

    const auto bytes = std::span<const std::uint8_t>(record).first(std::min(record.size(), kMftRecordBytes));
    AttributeWalk walk(bytes, firstAttribute);
    while (const auto attribute = walk.Next()) {
        if (attribute->type == kAttrIndexRoot) {
            ReadIndexRootHints(*attribute, hints);
        } else if (attribute->type == kAttrIndexAllocation) {
            ReadIndexAllocation(bytes, *attribute, hints);
        } else if (attribute->type == kAttrData) {
            ReadDataHints(bytes, *attribute, request, hints);
        }
    }
    if (walk.End() == WalkEnd::EndMarker && hints.ownRecord == 0 && walk.Offset() + kSlackStartAfterEnd < kSlackEnd) {
        SearchSlackForName(bytes, walk.Offset(), hints);
    }
    return hints;
}

}  // namespace tundrel
