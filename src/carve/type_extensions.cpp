#include "carve/type_extensions.h"

#include <algorithm>
#include <utility>

#include "support/text.h"

namespace tundrel {
namespace {

// The map from extension to content type, by type name; extensions whose type cannot be
// carved (GIF, XML, EXE, ...) are left out.
constexpr std::pair<std::u16string_view, std::string_view> kExtensionTypes[] = {
    {u"DOC", "DOC"},  {u"PPT", "DOC"},         {u"WPS", "DOC"},         {u"XLS", "XLS"},
    {u"PDF", "PDF"},  {u"JPG", "JPG"},         {u"BMP", "BMP"},         {u"PNG", "PNG"},
    {u"ZIP", "ZIP"},  {u"RAR", "RAR"},         {u"RM", "RMVB"},         {u"RMVB", "RMVB"},
    {u"MP3", "MP3"},  {u"WAV", "WAV"},         {u"CDR", "CDR"},         {u"MPG", "MPG"},
    {u"DOCX", "Office 2007"}, {u"XLSX", "Office 2007"}, {u"PPTX", "Office 2007"},
    {u"CR2", "CR2"},  {u"MP4", "MP4"},         {u"AVI", "AVI"},         {u"3GP", "3GP"},
    {u"MOV", "MOV"},
};

bool IsExtension(std::string_view name) {
    return !name.empty() && std::ranges::all_of(name, [](char c) { return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'); });
}

}  // namespace

std::vector<std::u16string> ExtensionsOfType(std::string_view typeName) {
    std::vector<std::u16string> extensions;
    if (IsExtension(typeName)) extensions.push_back(ToUtf16(typeName));
    for (const auto& [extension, type] : kExtensionTypes) {
        if (type == typeName && std::ranges::find(extensions, extension) == extensions.end()) {
            extensions.emplace_back(extension);
        }
    }
    return extensions;
}

}  // namespace tundrel
