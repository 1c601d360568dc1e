#include "ntfs/file_name_attribute.h"

#include "ntfs/ntfs_time.h"
#include "support/byte_reader.h"

namespace tundrel {
namespace {

constexpr std::size_t kParentField = 0x18;
constexpr std::size_t kCreatedField = 0x20;
constexpr std::size_t kModifiedField = 0x28;
constexpr std::size_t kAccessedField = 0x38;
constexpr std::size_t kNameLengthField = 0x58;
constexpr std::size_t kNamespaceField = 0x59;
constexpr std::size_t kNameField = 0x5A;

}  // namespace

std::optional<FileName> ReadFileName(const MftAttribute& attribute) {
    const ByteReader reader(attribute.bytes);
    if (!reader.Has(kNamespaceField, 1)) return std::nullopt;
    const std::size_t nameLength = reader.U8(kNameLengthField);
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
