#include "support/text.h"

#include <unicode/unistr.h>

#include <cstdio>
#include <vector>

namespace tundrel {

std::u16string ToUtf16(std::string_view utf8) {
    const icu::UnicodeString text =
        icu::UnicodeString::fromUTF8(icu::StringPiece(utf8.data(), static_cast<int32_t>(utf8.size())));
    return std::u16string(text.getBuffer(), static_cast<std::size_t>(text.length()));
}

std::string ToUtf8(std::u16string_view utf16) {
    const icu::UnicodeString text(false, utf16.data(), static_cast<int32_t>(utf16.size()));
    std::string out;
    text.toUTF8String(out);
    return out;
}

std::string FormatTextV(const char* format, std::va_list args) {
    std::va_list copy;
    va_copy(copy, args);
    const int length = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    if (length <= 0) return {};
    std::vector<char> buffer(static_cast<std::size_t>(length) + 1);
    std::vsnprintf(buffer.data(), buffer.size(), format, args);
    return std::string(buffer.data(), static_cast<std::size_t>(length));
}

std::string FormatText(const char* format, ...) {
    std::va_list args;
    va_start(args, format);
    std::string out = FormatTextV(format, args);
    va_end(args);
    return out;
}

}  // namespace tundrel
