#include "scan/display_row.h"

#include <array>

#include "scan/node_path.h"
#include "support/display_format.h"
#include "support/text.h"

namespace tundrel {
namespace {

struct AttributeLetter {
    std::uint32_t flag;
    const char* letter;
};

constexpr std::array<AttributeLetter, 8> kAttributeLetters{{
    {kFlagArchive, "a "},
    {kFlagOverwritten, "b "},
    {kFlagCompressed, "c "},
    {kFlagRecordFree, "d "},
    {kFlagEncrypted, "e "},
    {kFlagHidden, "h "},
    {kFlagReadOnly, "r "},
    {kFlagSystem, "s "},
}};

// The columns that come from numbers and bits, converted to the row's text type.
template <typename Text, typename FromUtf8>
BasicDisplayRow<Text> FormatColumns(const ScanNode& node, FromUtf8 convert) {
    BasicDisplayRow<Text> row;
    row.size = convert(FormatSize(node.size));
    row.created = convert(FormatDateTime(node.createdDate, node.createdTime));
    row.modified = convert(FormatDateTime(node.modifiedDate, node.modifiedTime));
    row.accessed = convert(FormatDateTime(node.accessedDate, 0));
    row.attributes = convert(AttributeLetters(node.flags));
    row.checkImage = CheckImageOf(node.flags);
    return row;
}

}  // namespace

std::string AttributeLetters(std::uint32_t flags) {
    std::string letters;
    for (const AttributeLetter& entry : kAttributeLetters) {
        if ((flags & entry.flag) != 0) letters += entry.letter;
    }
    return letters;
}

CheckImage CheckImageOf(std::uint32_t flags) {
    if ((flags & kFlagPartlyChecked) != 0) return CheckImage::PartlyChecked;
    if ((flags & kFlagChecked) != 0) return CheckImage::Checked;
    return CheckImage::Unchecked;
}

DisplayRow MakeDisplayRow(const ScanNode& node) {
    DisplayRow row = FormatColumns<std::string>(node, [](std::string text) { return text; });
    if (node.name != nullptr) row.name = ToUtf8(node.name);
    row.location = ToUtf8(DisplayPathOf(&node));
    return row;
}

DisplayRow16 MakeDisplayRow16(const ScanNode& node) {
    DisplayRow16 row =
        FormatColumns<std::u16string>(node, [](const std::string& text) { return ToUtf16(text); });
    if (node.name != nullptr) row.name = node.name;
    row.location = DisplayPathOf(&node);
    return row;
}

}  // namespace tundrel
