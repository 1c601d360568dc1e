#include "ntfs/mft_record_parse.h"

#include "ntfs/data_attribute.h"
#include "ntfs/file_name_attribute.h"
#include "ntfs/mft_attribute.h"
#include "ntfs/mft_record_header.h"
#include "ntfs/standard_information.h"
#include "support/byte_reader.h"

namespace tundrel {

std::uint32_t ParseMftRecord(std::span<std::uint8_t> record, ScanNode& node, NamePool& names) {
    // The header is read after realignment: a record found a few bytes off its block has its
    // fields where the signature puts them.
    FixupFirstSector(record);
    const std::uint16_t firstAttribute = FirstAttributeOffset(record);
    if (!IsFirstAttributeInRange(firstAttribute)) return 0;
    node.recordNumber = ByteReader(record).U32(kRecordNumberField);

    const std::uint16_t recordFlags = RecordFlags(record);
    std::uint32_t attributeFlags = 0;
    std::uint32_t parentRecord = 0;
    AttributeWalk walk(record, firstAttribute);
    while (const auto attribute = walk.Next()) {
        switch (attribute->type) {
            case kAttrStandardInformation: {
                const auto info = ReadStandardInformation(*attribute);
                if (!info) {
                    walk.Break();
                    break;
                }
                attributeFlags = FlagsOfFileAttributes(info->fileAttributes);
                FillTimes(node, *info);
                break;
            }
            case kAttrAttributeList:
                node.Set(kFlagAttributeList, true);
                break;
            case kAttrFileName: {
                const auto fileName = ReadFileName(*attribute);
                if (!fileName) {
                    walk.Break();
                    break;
                }
                if (fileName->nameSpace == kNamespaceDos) break;
                parentRecord = fileName->parentRecord;
                node.location = 0;
                if ((recordFlags & kRecordIsDirectory) != 0) node.flags |= kFlagInRecord | kFlagDirectory;
                FillTimes(node, *fileName);
                node.flags |= kFlagDeleted;
                if ((recordFlags & kRecordInUse) == 0) node.flags |= kFlagRecordFree;
                node.flags |= attributeFlags;
                if (fileName->name == u".") {
                    walk.Break();
                    break;
                }
                node.name = names.Add(fileName->name);
                break;
            }
            case kAttrData:
                ApplyUnnamedData(node, *attribute);
                break;
            default:
                break;
        }
    }
    if (walk.End() != WalkEnd::EndMarker) node.name = nullptr;
    return parentRecord;
}

}  // namespace tundrel
