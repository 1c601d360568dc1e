#include "platform/source_name.h"

#include <algorithm>
#include <cctype>
#include <vector>

#include "platform/ascii_digit.h"
#include "platform/disk_list.h"

namespace tundrel::platform {

std::optional<unsigned> DiskNumberOf(std::string_view name) {
    if (name.size() != 3 && name.size() != 4) return std::nullopt;
    if (std::toupper(static_cast<unsigned char>(name[0])) != 'H' ||
        std::toupper(static_cast<unsigned char>(name[1])) != 'D') {
        return std::nullopt;
    }
    const std::string_view number = name.substr(2);
    if (!std::all_of(number.begin(), number.end(), IsAsciiDigit)) return std::nullopt;
    unsigned value = 0;
    for (const char digit : number) value = value * 10 + static_cast<unsigned>(digit - '0');
    return value;
}

std::optional<std::string> ResolveSourceName(std::string_view name) {
    if (name.empty()) return std::nullopt;
    if (const std::optional<unsigned> number = DiskNumberOf(name)) {
        const std::vector<WholeDisk> disks = ListWholeDisks();
        if (*number >= disks.size()) return std::nullopt;
        return disks[*number].devicePath;
    }
    if (name.find('/') != std::string_view::npos) return std::string(name);
    return "/dev/" + std::string(name);
}

}  // namespace tundrel::platform
