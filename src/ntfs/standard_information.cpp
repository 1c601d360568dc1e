#include "ntfs/standard_information.h"

#include "ntfs/ntfs_time.h"
#include "support/byte_reader.h"

namespace tundrel {
namespace {

constexpr std::size_t kCreatedField = 0x18;
constexpr std::size_t kModifiedField = 0x20;
constexpr std::size_t kRecordChangedField = 0x28;
constexpr std::size_t kFileAttributesField = 0x38;

struct AttributeFlag {
    std::uint32_t fileAttribute;
    std::uint32_t nodeFlag;
};
constexpr AttributeFlag kAttributeFlags[] = {
    {0x0001, kFlagReadOnly}, {0x0002, kFlagHidden},     {0x0004, kFlagSystem},
    {0x0200, kFlagContiguous}, {0x0800, kFlagCompressed}, {0x4000, kFlagEncrypted},
};

}  // namespace

std::optional<StandardInformation> ReadStandardInformation(const MftAttribute& attribute) {
    const ByteReader reader(attribute.bytes);
    if (!reader.Has(kFileAttributesField, 4)) return std::nullopt;
    return StandardInformation{reader.U64(kCreatedField), reader.U64(kModifiedField), reader.U64(kRecordChangedField),
                               reader.U32(kFileAttributesField)};
}

void FillTimes(ScanNode& node, const StandardInformation& info) {
    FillCreatedSlot(node, info.created, true);
    FillAccessedSlot(node, info.recordChanged);
    FillModifiedSlot(node, info.modified);
}

std::uint32_t FlagsOfFileAttributes(std::uint32_t fileAttributes) {
    std::uint32_t flags = 0;
    for (const AttributeFlag& mapping : kAttributeFlags) {
        if ((fileAttributes & mapping.fileAttribute) != 0) flags |= mapping.nodeFlag;
    }
    return flags;
}

}  // namespace tundrel
