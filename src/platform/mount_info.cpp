#include "platform/mount_info.h"

#include <algorithm>
#include <charconv>
#include <fstream>
#include <iterator>
#include <optional>

#include "platform/system_paths.h"

namespace tundrel::platform {
namespace {

std::vector<std::string_view> SplitFields(std::string_view line) {
    std::vector<std::string_view> fields;
    std::size_t at = 0;
    while (at < line.size()) {
        const std::size_t start = line.find_first_not_of(' ', at);
        if (start == std::string_view::npos) break;
        const std::size_t end = std::min(line.find(' ', start), line.size());
        fields.push_back(line.substr(start, end - start));
        at = end;
    }
    return fields;
}

std::optional<unsigned> ParseUnsigned(std::string_view text) {
    unsigned value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end != text.data() + text.size() || text.empty()) return std::nullopt;
    return value;
}

std::optional<DeviceNumber> ParseDeviceNumber(std::string_view text) {
    const std::size_t colon = text.find(':');
    if (colon == std::string_view::npos) return std::nullopt;
    const auto major = ParseUnsigned(text.substr(0, colon));
    const auto minor = ParseUnsigned(text.substr(colon + 1));
    if (!major || !minor) return std::nullopt;
    return DeviceNumber{*major, *minor};
}

bool IsOctalDigit(char c) { return c >= '0' && c <= '7'; }

// Fields: id, parent id, MAJ:MIN, root, mount point, options, optional fields ending with
// "-", then file-system type, source and super-block options.
std::optional<MountInfoEntry> ParseLine(std::string_view line) {
    const std::vector<std::string_view> fields = SplitFields(line);
    if (fields.size() < 7) return std::nullopt;
    std::size_t separator = 6;
    while (separator < fields.size() && fields[separator] != "-") ++separator;
    if (separator + 2 >= fields.size()) return std::nullopt;
    const std::optional<DeviceNumber> device = ParseDeviceNumber(fields[2]);
    if (!device) return std::nullopt;
    MountInfoEntry entry;
    entry.device = *device;
    entry.root = UnescapeMountField(fields[3]);
    entry.mountPoint = UnescapeMountField(fields[4]);
    entry.fsType = std::string(fields[separator + 1]);
    entry.source = UnescapeMountField(fields[separator + 2]);
    return entry;
}

}  // namespace

std::string UnescapeMountField(std::string_view field) {
    std::string text;
    text.reserve(field.size());
    for (std::size_t i = 0; i < field.size(); ++i) {
        const std::string_view code = field.substr(i + 1, std::min<std::size_t>(3, field.size() - i - 1));
        if (field[i] == '\\' && code.size() == 3 && std::all_of(code.begin(), code.end(), IsOctalDigit)) {
            text.push_back(static_cast<char>((code[0] - '0') * 64 + (code[1] - '0') * 8 + (code[2] - '0')));
            i += 3;
        } else {
            text.push_back(field[i]);
        }
    }
    return text;
}

std::vector<MountInfoEntry> ParseMountInfo(std::string_view text) {
    std::vector<MountInfoEntry> entries;
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t end = std::min(text.find('\n', at), text.size());
        if (auto entry = ParseLine(text.substr(at, end - at))) entries.push_back(std::move(*entry));
        at = end + 1;
    }
    return entries;
}

std::vector<MountInfoEntry> ReadMountInfo() {
    std::ifstream file(ProcRoot() + "/self/mountinfo", std::ios::binary);
    if (!file) return {};
    const std::string text{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    return ParseMountInfo(text);
}

}  // namespace tundrel::platform
