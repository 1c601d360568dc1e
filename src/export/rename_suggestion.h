#pragma once
// The free name offered when an exported file meets an existing one.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace tundrel {

// "report.txt" with 17 gives "report__rename_17.txt"; a name without an extension gets the
// suffix at its end. The result stays within the longest name a file system takes.
std::string RenamedName(std::string_view name, std::uint32_t number);

// The first free name among RenamedName(name, tick), (name, tick + 1), ..., trying at most
// 150 numbers; nothing when all are taken.
std::optional<std::string> SuggestFreeName(std::string_view name, std::uint32_t tick,
                                           const std::function<bool(const std::string&)>& taken);

}  // namespace tundrel
