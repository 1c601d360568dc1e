#include "fat/short_name_rules.h"

#include <string_view>

namespace tundrel {
namespace {

bool IsValidShortNameByte(std::uint8_t b) {
    if ((b >= 'A' && b <= 'Z') || (b >= '0' && b <= '9') || b == 0xE5) return true;
    return std::string_view(" ~!@#$%()-_{}'").find(static_cast<char>(b)) != std::string_view::npos;
}

}  // namespace

bool IsValidShortName(EntryBytes entry) {
    if (entry.size() < kShortNameBytes) return false;
    for (std::size_t i = 0; i < kShortNameBytes; ++i) {
        if (!IsValidShortNameByte(entry[i])) return false;
    }
    return true;
}

bool HasNumericTail(EntryBytes entry) {
    if (entry.size() < 8) return false;
    std::size_t end = 8;
    while (end > 0 && entry[end - 1] == ' ') --end;
    std::size_t digitsStart = end;
    while (digitsStart > 0 && entry[digitsStart - 1] >= '0' && entry[digitsStart - 1] <= '9') --digitsStart;
    if (digitsStart == end || digitsStart < 2) return false;
    return entry[digitsStart - 1] == '~';
}

bool IsForbiddenShortNameByte(std::uint8_t b) {
    if (b < 0x20 || b == 0x80) return true;
    return std::string_view("\"*+,./:;<=>?[\\]|").find(static_cast<char>(b)) != std::string_view::npos;
}

}  // namespace tundrel
