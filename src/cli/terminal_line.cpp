#include "cli/terminal_line.h"

#include <sys/ioctl.h>
#include <unicode/uchar.h>
#include <unicode/utf8.h>

#include <algorithm>
#include <charconv>
#include <cstdlib>

namespace tundrel::cli {
namespace {

constexpr std::string_view kSeparator = "  ";
constexpr std::string_view kEllipsis = "…";

std::size_t ColumnsOf(UChar32 c) {
    if (c < 0) return 1;  // an ill-formed byte shows as one replacement character
    const auto type = static_cast<UCharCategory>(u_charType(c));
    if (type == U_NON_SPACING_MARK || type == U_ENCLOSING_MARK || type == U_CONTROL_CHAR || type == U_FORMAT_CHAR) {
        return 0;
    }
    const int width = u_getIntPropertyValue(c, UCHAR_EAST_ASIAN_WIDTH);
    return width == U_EA_WIDE || width == U_EA_FULLWIDTH ? 2 : 1;
}

}  // namespace

std::size_t TerminalColumns(std::string_view text) {
    std::size_t columns = 0;
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.data());
    const auto length = static_cast<std::int32_t>(text.size());
    for (std::int32_t at = 0; at < length;) {
        UChar32 c = 0;
        U8_NEXT(bytes, at, length, c);
        columns += ColumnsOf(c);
    }
    return columns;
}

std::string CutToColumns(std::string_view text, std::size_t columns) {
    if (TerminalColumns(text) <= columns) return std::string(text);
    if (columns == 0) return {};
    const std::size_t room = columns - 1;  // the ellipsis takes one column
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.data());
    const auto length = static_cast<std::int32_t>(text.size());
    std::size_t used = 0;
    std::int32_t at = 0;
    while (at < length) {
        std::int32_t next = at;
        UChar32 c = 0;
        U8_NEXT(bytes, next, length, c);
        if (used + ColumnsOf(c) > room) break;
        used += ColumnsOf(c);
        at = next;
    }
    return std::string(text.substr(0, static_cast<std::size_t>(at))) + std::string(kEllipsis);
}

std::string FitParts(const std::vector<std::string>& parts, const std::vector<std::size_t>& importance,
                     std::size_t columns) {
    std::vector<bool> shown(parts.size(), false);
    std::size_t used = 0;
    bool first = true;
    for (const std::size_t index : importance) {
        if (index >= parts.size() || parts[index].empty()) continue;
        const std::size_t width = TerminalColumns(parts[index]) + (first ? 0 : kSeparator.size());
        if (used + width > columns) {
            if (first) return CutToColumns(parts[index], columns);
            continue;
        }
        used += width;
        shown[index] = true;
        first = false;
    }
    std::string line;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        if (!shown[i]) continue;
        if (!line.empty()) line += kSeparator;
        line += parts[i];
    }
    return line;
}

std::size_t TerminalWidth(int descriptor) {
    winsize size{};
    if (ioctl(descriptor, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) return size.ws_col;
    if (const char* columns = std::getenv("COLUMNS")) {
        std::size_t value = 0;
        const std::string_view text(columns);
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
        if (error == std::errc{} && end == text.data() + text.size() && value > 0) return value;
    }
    return 80;
}

}  // namespace tundrel::cli
