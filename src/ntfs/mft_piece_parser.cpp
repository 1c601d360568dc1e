#include "ntfs/mft_piece_parser.h"

#include <optional>

#include "disk/volume_info.h"
#include "ntfs/data_attribute.h"
#include "ntfs/file_name_attribute.h"
#include "ntfs/mft_attribute.h"
#include "ntfs/mft_record_header.h"
#include "ntfs/named_stream.h"
#include "ntfs/standard_information.h"
#include "support/byte_reader.h"

namespace tundrel {
namespace {

constexpr std::size_t kGuessAt0x30 = 0x30;
constexpr std::size_t kGuessAt0x38 = 0x38;

// A $STANDARD_INFORMATION of length 0x60 at `at`: type byte 0x10, length byte 0x60.
bool StandardInformationAt(const ByteReader& reader, std::size_t at) {
    return reader.U8(at) == 0x10 && reader.U8(at + 4) == 0x60;
}

// Where the attributes start. A header whose offset is damaged still has its attributes at
// one of the two usual places (after the 0x30- or the 0x38-byte header form).
std::optional<std::size_t> FirstAttribute(std::span<const std::uint8_t> record) {
    const ByteReader reader(record);
    std::size_t start = FirstAttributeOffset(record);
    if (!IsFirstAttributeInRange(start)) {
        if (StandardInformationAt(reader, kGuessAt0x30)) {
            start = kGuessAt0x30;
        } else if (StandardInformationAt(reader, kGuessAt0x38)) {
            start = kGuessAt0x38;
        } else {
            return std::nullopt;
        }
    }
    if (start == kGuessAt0x30 && reader.U8(kGuessAt0x30 + 4) == 0 && StandardInformationAt(reader, kGuessAt0x38)) {
        start = kGuessAt0x38;
    }
    return start;
}

class RecordParser {
public:
    RecordParser(RecordTable& table, NamePool& names) : table_(table), names_(names) {}

    // False when the record's slot could not be had.
    bool Parse(std::span<std::uint8_t> block, std::uint32_t record, std::uint32_t sector, RecordSlot*& parsed) {
        parsed = nullptr;
        if (!HasFileSignature(block)) return true;
        FixupFirstSector(block);
        const auto record1024 = std::span<const std::uint8_t>(block).first(kMftRecordBytes);
        const auto start = FirstAttribute(record1024);
        if (!start) return true;
        RecordSlot* slot = table_.Slot(record);
        if (slot == nullptr) return false;

        const std::uint16_t recordFlags = RecordFlags(record1024);
        const std::size_t linksBefore = table_.LinkCount();
        const std::size_t streamsBefore = table_.StreamCount();
        const std::size_t extensionNamesBefore = table_.ExtensionNameCount();
        // An extension record's names and streams belong to its base: the names are handed on,
        // the streams found through the base's attribute list.
        const bool baseRecord = !IsExtensionRecord(record1024);
        std::uint32_t attributeFlags = 0;
        ScanNode node;
        std::uint32_t parentRecord = slot->parentRecord;
        AttributeWalk walk(record1024, *start, ZeroLengthAt0x30::RetriesAt0x38);
        while (const auto attribute = walk.Next()) {
            switch (attribute->type) {
                case kAttrStandardInformation:
                    if (const auto info = ReadStandardInformation(*attribute)) {
                        attributeFlags = FlagsOfFileAttributes(info->fileAttributes);
                        FillTimes(node, *info);
                    } else {
                        walk.Break();
                    }
                    break;
                case kAttrAttributeList:
                    node.Set(kFlagAttributeList, true);
                    break;
                case kAttrFileName:
                    if (auto fileName = ReadFileName(*attribute); fileName && !baseRecord) {
                        if (fileName->nameSpace != kNamespaceDos) {
                            table_.AddExtensionName({BaseRecordOf(record1024), std::move(*fileName)});
                        }
                    } else if (fileName) {
                        TakeName(node, parentRecord, *fileName, record, sector, recordFlags, attributeFlags);
                    } else {
                        walk.Break();
                    }
                    break;
                case kAttrData:
                    ApplyUnnamedData(node, *attribute);
                    if (!baseRecord) break;
                    if (const auto stream = ReadNamedStream(*attribute, record, names_)) table_.AddStream(*stream);
                    break;
                default:
                    break;
            }
        }
        if (walk.End() != WalkEnd::EndMarker) {
            // A record that does not end soundly is not filed anywhere.
            node.name = nullptr;
            table_.TruncateLinks(linksBefore);
            table_.TruncateStreams(streamsBefore);
            table_.TruncateExtensionNames(extensionNamesBefore);
        } else if (node.name == nullptr && baseRecord) {
            // A record whose name is elsewhere (an extension record) or gone: kept ready for it.
            node.recordNumber = record;
            node.location = sector;
            node.flags |= attributeFlags;
            if ((recordFlags & kRecordInUse) == 0) node.flags |= kFlagDeleted | kFlagRecordFree;
            if ((recordFlags & kRecordIsDirectory) != 0) {
                node.flags |= kFlagDirectory | kFlagInRecord;
                table_.AddNamelessDirectory(record);
            }
        }
        slot->Store(node);
        slot->parentRecord = parentRecord;
        parsed = slot;
        return true;
    }

private:
    // The record's last name is kept on its slot; a name before it becomes a link of its own.
    void TakeName(ScanNode& node, std::uint32_t& parentRecord, const FileName& fileName, std::uint32_t record,
                  std::uint32_t sector, std::uint16_t recordFlags, std::uint32_t attributeFlags) {
        if (fileName.nameSpace == kNamespaceDos) return;
        if (node.name != nullptr) table_.AddLink({parentRecord, record, node.name});
        node.location = sector;
        parentRecord = fileName.parentRecord;
        const bool directory = (recordFlags & kRecordIsDirectory) != 0;
        if (directory) node.flags |= kFlagInRecord;
        FillTimes(node, fileName);
        node.Set(kFlagDirectory, directory);
        if ((recordFlags & kRecordInUse) == 0) node.flags |= kFlagDeleted | kFlagRecordFree;
        node.flags |= attributeFlags;
        node.name = names_.Add(fileName.name);
    }

    RecordTable& table_;
    NamePool& names_;
};

}  // namespace

PieceTally ParseMftPiece(std::span<std::uint8_t> piece, PiecePlace place, bool deletedMode, RecordTable& table,
                         NamePool& names) {
    PieceTally tally;
    RecordParser parser(table, names);
    for (std::size_t offset = 0; offset + kMftRecordBytes <= piece.size(); offset += kMftRecordBytes) {
        const auto record = static_cast<std::uint32_t>(place.firstRecord + offset / kMftRecordBytes);
        const auto sector = static_cast<std::uint32_t>(place.firstSector + offset / kSectorBytes);
        RecordSlot* slot = nullptr;
        if (!parser.Parse(piece.subspan(offset), record, sector, slot)) break;
        if (slot == nullptr || slot->name == nullptr) continue;
        if (slot->Has(kFlagDeleted) == deletedMode) {
            ++tally.counted;
            tally.countedBytes += slot->size;
            tally.lastName = slot->name;
        }
    }
    return tally;
}

}  // namespace tundrel
