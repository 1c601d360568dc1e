#include "platform/block_identity.h"

#include <algorithm>
#include <optional>

namespace tundrel::platform {
namespace {

namespace fs = std::filesystem;

constexpr std::size_t kUnitSerialPageHeader = 4;

bool IsPadding(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\0'; }

std::string TrimmedAttribute(const fs::path& file) {
    const std::optional<std::string> text = ReadSysfsAttribute(file);
    return text ? TrimIdentityText(*text) : std::string();
}

}  // namespace

std::string TrimIdentityText(std::string_view text) {
    const auto first = std::find_if_not(text.begin(), text.end(), IsPadding);
    const auto last = std::find_if_not(text.rbegin(), text.rend(), IsPadding).base();
    if (first >= last) return {};
    return std::string(first, last);
}

std::string SerialFromUnitSerialPage(std::string_view page) {
    if (page.size() < kUnitSerialPageHeader) return {};
    const std::size_t declared = (static_cast<unsigned char>(page[2]) << 8) | static_cast<unsigned char>(page[3]);
    const std::size_t length = std::min(declared, page.size() - kUnitSerialPageHeader);
    return TrimIdentityText(page.substr(kUnitSerialPageHeader, length));
}

DeviceIdentity ReadBlockIdentity(DeviceNumber number) {
    DeviceIdentity identity;
    const std::optional<fs::path> entry = BlockEntryOf(number);
    if (!entry) return identity;
    const fs::path disk = DiskEntryOf(*entry);
    const fs::path hardware = disk / "device";
    identity.model = TrimmedAttribute(hardware / "model");
    identity.serial = TrimmedAttribute(hardware / "serial");
    if (identity.serial.empty()) {
        if (const std::optional<std::string> page = ReadSysfsAttribute(hardware / "vpd_pg80")) {
            identity.serial = SerialFromUnitSerialPage(*page);
        }
    }
    // Virtio disks publish their serial on the disk entry itself.
    if (identity.serial.empty()) identity.serial = TrimmedAttribute(disk / "serial");
    return identity;
}

}  // namespace tundrel::platform
