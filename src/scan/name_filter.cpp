#include "scan/name_filter.h"

#include <algorithm>
#include <string_view>

namespace tundrel {
namespace {

char16_t AsciiLower(char16_t c) {
    return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c - u'A' + u'a') : c;
}

bool EndsWithIgnoringCase(std::u16string_view text, std::u16string_view lowerSuffix) {
    if (text.size() < lowerSuffix.size()) return false;
    const std::u16string_view tail = text.substr(text.size() - lowerSuffix.size());
    return std::equal(tail.begin(), tail.end(), lowerSuffix.begin(),
                      [](char16_t c, char16_t lower) { return AsciiLower(c) == lower; });
}

}  // namespace

bool IsListedEntryName(const char16_t* name) {
    if (name == nullptr || name[0] == u'\0') return false;
    const std::u16string_view text(name);
    // Office keeps "~$name.docx" lock files beside an open document.
    if (text.size() >= 3 && text.starts_with(u"~$")) return false;
    if (text.size() >= 5 && EndsWithIgnoringCase(text, u".tmp")) return false;
    return true;
}

}  // namespace tundrel
