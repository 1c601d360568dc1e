#pragma once
// Conversions between the engine's UTF-16 names and the UTF-8 of files, terminals and JSON.

#include <cstdarg>
#include <string>
#include <string_view>

namespace tundrel {

std::u16string ToUtf16(std::string_view utf8);
// Ill-formed UTF-16 (a lone surrogate from a damaged name) becomes U+FFFD.
std::string ToUtf8(std::u16string_view utf16);

// printf-style formatting into a std::string (UTF-8 texts pass through %s unchanged).
std::string FormatText(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string FormatTextV(const char* format, std::va_list args);

}  // namespace tundrel
