#include "scan/name_case.h"

#include <unicode/uchar.h>

namespace tundrel {

std::u16string UpperCased(std::u16string_view text) {
    std::u16string upper(text);
    for (char16_t& c : upper) c = static_cast<char16_t>(u_toupper(c));
    return upper;
}

std::u16string UpperExtension(std::u16string_view name) {
    const std::size_t dot = name.rfind(u'.');
    if (dot == std::u16string_view::npos || dot == 0 || dot + 1 == name.size()) return {};
    return UpperCased(name.substr(dot + 1));
}

}  // namespace tundrel
