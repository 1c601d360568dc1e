#include "platform/sysfs_number.h"

#include <charconv>
#include <string>
#include <string_view>

namespace tundrel::platform {

std::optional<std::uint64_t> ReadSysfsNumber(const std::filesystem::path& file) {
    const std::optional<std::string> text = ReadSysfsAttribute(file);
    if (!text) return std::nullopt;
    const std::string_view digits = std::string_view(*text).substr(0, text->find_first_not_of("0123456789"));
    std::uint64_t value = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (error != std::errc{} || digits.empty()) return std::nullopt;
    return value;
}

std::optional<DeviceNumber> ReadSysfsDeviceNumber(const std::filesystem::path& entry) {
    const std::optional<std::string> text = ReadSysfsAttribute(entry / "dev");
    if (!text) return std::nullopt;
    DeviceNumber number;
    const char* end = text->data() + text->size();
    const auto [colon, majorError] = std::from_chars(text->data(), end, number.major);
    if (majorError != std::errc{} || colon == end || *colon != ':') return std::nullopt;
    const auto [rest, minorError] = std::from_chars(colon + 1, end, number.minor);
    if (minorError != std::errc{}) return std::nullopt;
    return number;
}

}  // namespace tundrel::platform
