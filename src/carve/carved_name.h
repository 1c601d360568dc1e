#pragma once
// The names carved files get: a fixed text around a number (the first sector, or a running count).

#include <cstdint>
#include <string>
#include <string_view>

namespace tundrel {

inline std::u16string NumberedName(std::string_view before, std::uint64_t number, std::string_view after) {
    std::u16string name(before.begin(), before.end());
    for (char digit : std::to_string(number)) name.push_back(static_cast<char16_t>(digit));
    name.append(after.begin(), after.end());
    return name;
}

}  // namespace tundrel
