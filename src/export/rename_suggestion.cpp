#include "export/rename_suggestion.h"

#include "export/safe_name.h"

namespace tundrel {
namespace {

constexpr std::uint32_t kMaxTries = 150;

}  // namespace

std::string RenamedName(std::string_view name, std::uint32_t number) {
    const std::string suffix = "__rename_" + std::to_string(number);
    const std::size_t dot = name.find_last_of('.');
    const bool hasExtension = dot != std::string_view::npos && dot > 0;
    const std::string_view extension = hasExtension ? name.substr(dot) : std::string_view{};
    const std::string_view stem = hasExtension ? name.substr(0, dot) : name;
    const std::size_t room = kMaxNameBytes > suffix.size() + extension.size()
                                 ? kMaxNameBytes - suffix.size() - extension.size()
                                 : 1;
    return ShortenName(stem, room) + suffix + ShortenName(extension, kMaxNameBytes - suffix.size() - 1);
}

std::optional<std::string> SuggestFreeName(std::string_view name, std::uint32_t tick,
                                           const std::function<bool(const std::string&)>& taken) {
    for (std::uint32_t attempt = 0; attempt < kMaxTries; ++attempt) {
        std::string candidate = RenamedName(name, tick + attempt);
        if (!taken(candidate)) return candidate;
    }
    return std::nullopt;
}

}  // namespace tundrel
