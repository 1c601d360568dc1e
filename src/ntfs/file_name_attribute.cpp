#include "ntfs/file_name_attribute.h"

#include "ntfs/ntfs_time.h"
#include "support/byte_reader.h"

namespace tundrel {
namespace {

constexpr std::size_t kValueOffset = 0x18;
constexpr std::size_t kParentField = 0x00;
constexpr std::size_t kCreatedField = 0x08;
constexpr std::size_t kModifiedField = 0x10;
constexpr std::size_t kAccessedField = 0x20;
constexpr std::size_t kFileNameLengthField = 0x40;
constexpr std::size_t kNamespaceField = 0x41;
constexpr std::size_t kNameField = 0x42;

}  // namespace

std::optional<FileName> ReadFileName(const MftAttribute& attribute) {
    if (attribute.bytes.size() < kValueOffset) return std::nullopt;
    return ReadFileNameValue(attribute.bytes.subspan(kValueOffset));
}

std::optional<FileName> ReadFileNameValue(std::span<const std::uint8_t> value) {
    const ByteReader reader(value);
    if (!reader.Has(kNamespaceField, 1)) return std::nullopt;
    const std::size_t nameLength = reader.U8(kFileNameLengthField);
    if (!reader.Has(kNameField, nameLength * 2)) return std::nullopt;
    FileName fileName;
    fileName.parentRecord = reader.U32(kParentField);
    fileName.created = reader.U64(kCreatedField);
    fileName.modified = reader.U64(kModifiedField);
    fileName.accessed = reader.U64(kAccessedField);
    fileName.nameSpace = reader.U8(kNamespaceField);
    fileName.name.resize(nameLength);
    for (std::size_t i = 0; i < nameLength; ++i) fileName.name[i] = reader.U16(kNameField + 2 * i);
    return fileName;
}

void FillTimes(ScanNode& node, const FileName& fileName) {
    FillCreatedSlot(node, fileName.created, false);
    FillAccessedSlot(node, fileName.modified);
    FillModifiedSlot(node, fileName.accessed);
}

}  // namespace tundrel
