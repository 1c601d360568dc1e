#include "ntfs/attribute_list.h"

#include <algorithm>
#include <array>
#include <vector>

#include "ntfs/data_attribute.h"
#include "ntfs/mft_record_header.h"
#include "support/byte_reader.h"

namespace tundrel {
namespace {

constexpr std::size_t kShortestList = 65;
constexpr std::size_t kLongestList = 1024;
constexpr std::size_t kListReadStart = 64 * 1024;
// NTFS never lets an attribute list grow past 256 KiB; nothing beyond is read.
constexpr std::uint64_t kLongestListData = 256 * 1024;
constexpr std::size_t kEntryTypeField = 0x00;
constexpr std::size_t kListEntryLengthField = 0x04;
constexpr std::size_t kEntryNameLengthField = 0x06;
constexpr std::size_t kEntryNameOffsetField = 0x07;
constexpr std::size_t kEntryFirstVcnField = 0x08;
constexpr std::size_t kEntryRecordField = 0x10;
constexpr std::size_t kShortestEntry = 0x18;
constexpr std::size_t kExtensionReadBytes = 1536;
constexpr std::size_t kAttributeFirstVcnField = 0x10;
constexpr std::size_t kShortestExtensionData = 64;
constexpr std::size_t kLongestExtensionData = 1024;

// Where one extent of a $DATA stream lives: the record and the extent's first cluster index
// within the stream.
struct DataExtentEntry {
    std::uint32_t record;
    std::uint32_t firstVcn;
    std::u16string stream;
};

// The entry's name, when it lies inside the entry.
std::optional<std::u16string> EntryName(const ByteReader& reader, std::size_t offset, std::size_t length) {
    const std::size_t nameLength = reader.U8(offset + kEntryNameLengthField);
    const std::size_t nameOffset = reader.U8(offset + kEntryNameOffsetField);
    if (nameOffset + 2 * nameLength > length || !reader.Has(offset + nameOffset, 2 * nameLength)) return std::nullopt;
    std::u16string name(nameLength, u'\0');
    for (std::size_t i = 0; i < nameLength; ++i) name[i] = reader.U16(offset + nameOffset + 2 * i);
    return name;
}

// Keeps the $DATA entries of one stream, or with `anyNamed` the first extents of every
// named stream.
struct EntryFilter {
    std::u16string_view stream;
    bool anyNamed = false;

    bool Keeps(const DataExtentEntry& entry) const {
        return anyNamed ? !entry.stream.empty() && entry.firstVcn == 0 : entry.stream == stream;
    }
};

void ParseEntries(std::span<const std::uint8_t> list, const EntryFilter& filter, std::vector<DataExtentEntry>& entries) {
    const ByteReader reader(list);
    std::size_t offset = 0;
    while (list.size() - offset > 8) {
        const std::uint32_t type = reader.U32(offset + kEntryTypeField);
        const std::uint16_t length = reader.U16(offset + kListEntryLengthField);
        if (length == 0 || type == 0) break;
        if (length < kShortestEntry || !reader.Has(offset, kShortestEntry)) break;
        if (type == kAttrData) {
            if (auto name = EntryName(reader, offset, length)) {
                DataExtentEntry entry{reader.U32(offset + kEntryRecordField),
                                      static_cast<std::uint32_t>(reader.U64(offset + kEntryFirstVcnField)), std::move(*name)};
                if (filter.Keeps(entry)) entries.push_back(std::move(entry));
            }
        }
        if (length > list.size() - offset) break;
        offset += length;
    }
}

void CollectEntries(const NtfsVolume& volume, const MftAttribute& list, AttributeListMode mode,
                    const EntryFilter& filter, std::vector<DataExtentEntry>& entries) {
    if (list.IsResident()) {
        const std::size_t valueOffset = list.ResidentValueOffset();
        if (valueOffset < list.Length()) ParseEntries(list.bytes.subspan(valueOffset), filter, entries);
        return;
    }
    const auto runBytes = list.RunListBytes();
    if (runBytes.empty()) return;
    MftRunList runs;
    DecodeRunList(runBytes, runs, runBytes.size());
    std::vector<std::uint8_t> buffer(kListReadStart);
    std::uint64_t bytesLeft = kLongestListData;
    for (const MftRun& run : runs) {
        if (bytesLeft == 0) break;
        if (!run.sparse) {
            const std::uint64_t wanted = std::min(std::uint64_t{run.clusterCount} * volume.ClusterBytes(), bytesLeft);
            if (wanted == 0) break;
            bytesLeft -= wanted;
            const auto readBytes = static_cast<std::size_t>((wanted + 511) / 512 * 512);
            if (buffer.size() < readBytes) buffer.resize(readBytes);
            if (!volume.Read(std::span(buffer.data(), readBytes), volume.ClusterSector(run.startCluster))) break;
            ParseEntries(std::span<const std::uint8_t>(buffer.data(), static_cast<std::size_t>(wanted)), filter, entries);
        }
        if (mode == AttributeListMode::Size) break;
    }
}

// The extent of the $DATA stream that an entry names, inside its (fixed-up) record.
std::optional<MftAttribute> FindDataExtent(std::span<const std::uint8_t> record, const DataExtentEntry& entry) {
    AttributeWalk walk(record, FirstAttributeOffset(record));
    while (const auto attribute = walk.Next()) {
        if ((attribute->type & 0x0Fu) != 0) break;
        if (attribute->type != kAttrData || !IsDataStream(*attribute, entry.stream)) continue;
        if (attribute->IsResident()) return attribute;
        const auto firstVcn = static_cast<std::uint32_t>(ByteReader(attribute->bytes).U64(kAttributeFirstVcnField));
        if (firstVcn == entry.firstVcn) return attribute;
    }
    return std::nullopt;
}

bool IsSoundExtensionRecord(std::span<const std::uint8_t> record) {
    if (!HasFileSignature(record)) return false;
    const std::uint16_t firstAttribute = FirstAttributeOffset(record);
    return firstAttribute != 0 && firstAttribute <= 0x400 && firstAttribute % 8 == 0;
}

// Each extension's run list restarts its deltas at cluster 0, so each is decoded on its own.
class RunBlocks {
public:
    void Add(std::span<const std::uint8_t> runList) {
        const std::span<const std::uint8_t> block = runList.first(RunListLength(runList, runList.size()));
        if (!blocks_.empty() && !block.empty()) {
            const std::uint8_t header = block[0];
            const unsigned lengthBytes = header & 0x0Fu;
            const unsigned deltaBytes = header >> 4u;
            if (lengthBytes == 0 || deltaBytes == 0) {
                // A first run without a start (sparse) continues the previous extent.
                const std::size_t firstRun = std::min<std::size_t>(1 + lengthBytes + deltaBytes, block.size());
                blocks_.back().insert(blocks_.back().end(), block.begin(), block.begin() + static_cast<std::ptrdiff_t>(firstRun));
                blocks_.emplace_back(block.begin() + static_cast<std::ptrdiff_t>(firstRun), block.end());
                return;
            }
        }
        blocks_.emplace_back(block.begin(), block.end());
    }

    void DecodeInto(MftRunList& runs) const {
        for (const auto& block : blocks_) {
            if (!block.empty()) DecodeRunList(block, runs, block.size());
        }
    }

private:
    std::vector<std::vector<std::uint8_t>> blocks_;
};

}  // namespace

AttributeListResult ResolveAttributeList(const NtfsVolume& volume, const MftAttribute& list, AttributeListMode mode,
                                         ScanNode* node, std::u16string_view stream) {
    AttributeListResult result;
    if (list.Length() < kShortestList || list.Length() > kLongestList) return result;
    result.listResidency = list.NonResidentFlag() & 0x0Fu;

    std::vector<DataExtentEntry> entries;
    CollectEntries(volume, list, mode, EntryFilter{stream}, entries);

    RunBlocks blocks;
    std::array<std::uint8_t, kExtensionReadBytes> buffer{};
    for (const DataExtentEntry& entry : entries) {
        const auto sector = volume.RecordSector(entry.record);
        if (!volume.Read(buffer, sector) || !IsSoundExtensionRecord(buffer)) break;
        FixupFirstSector(buffer);
        const auto record = std::span<const std::uint8_t>(buffer).first(kMftRecordBytes);
        const auto data = FindDataExtent(record, entry);
        if (!data || data->Length() < kShortestExtensionData || data->Length() > kLongestExtensionData) break;

        if (mode == AttributeListMode::Size) {
            if (data->IsResident()) {
                result.size = data->ResidentValueLength();
                if (node != nullptr && !node->Has(kFlagInRecord)) {
                    node->Set(kFlagInRecord, true);
                    node->extra = *sector;
                }
            } else {
                result.size = data->RealSize();
            }
            return result;
        }
        if (entry.firstVcn == 0 && !data->IsResident()) result.initializedSize = data->InitializedSize();
        blocks.Add(data->RunListBytes());
    }
    if (mode == AttributeListMode::Runs) blocks.DecodeInto(result.runs);
    return result;
}

std::vector<NamedStream> ListNamedStreams(const NtfsVolume& volume, const MftAttribute& list, std::uint32_t baseRecord,
                                          NamePool& names) {
    std::vector<NamedStream> streams;
    if (list.Length() < kShortestList || list.Length() > kLongestList) return streams;
    std::vector<DataExtentEntry> entries;
    CollectEntries(volume, list, AttributeListMode::Runs, EntryFilter{{}, true}, entries);
    std::array<std::uint8_t, kExtensionReadBytes> buffer{};
    for (const DataExtentEntry& entry : entries) {
        if (entry.record == baseRecord) continue;
        const auto sector = volume.RecordSector(entry.record);
        if (!volume.Read(buffer, sector) || !IsSoundExtensionRecord(buffer)) continue;
        FixupFirstSector(buffer);
        const auto data = FindDataExtent(std::span<const std::uint8_t>(buffer).first(kMftRecordBytes), entry);
        if (!data) continue;
        auto stream = ReadNamedStream(*data, baseRecord, names);
        if (!stream) continue;
        // Data held in an extension record is read from there.
        if (stream->flags == kFlagInRecord && sector) {
            stream->flags |= kFlagAttributeList;
            stream->extra = *sector;
        }
        streams.push_back(*stream);
    }
    return streams;
}

}  // namespace tundrel
