#include "platform/sysfs_block.h"

#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <string_view>
#include <system_error>

#include "platform/system_paths.h"

namespace tundrel::platform {
namespace {

namespace fs = std::filesystem;

constexpr std::array<std::string_view, 7> kVirtualDevicePrefixes = {
    "loop", "ram", "zram", "dm-", "md", "nbd", "sr",
};

// Attributes are short texts or small binary pages; anything longer is cut here.
constexpr std::size_t kMaxAttributeBytes = 4096;

bool HasVirtualDeviceName(std::string_view name) {
    for (const std::string_view prefix : kVirtualDevicePrefixes) {
        if (name.starts_with(prefix)) return true;
    }
    return false;
}

bool IsPartitionEntry(const fs::path& entry) {
    std::error_code ec;
    return fs::exists(entry / "partition", ec);
}

}  // namespace

std::optional<fs::path> BlockEntryOf(DeviceNumber number) {
    const fs::path link = fs::path(SysfsRoot()) / "dev" / "block" /
                          (std::to_string(number.major) + ":" + std::to_string(number.minor));
    std::error_code ec;
    fs::path entry = fs::canonical(link, ec);
    if (ec || !fs::is_directory(entry, ec)) return std::nullopt;
    return entry;
}

bool IsWholeDiskEntry(const fs::path& entry) {
    if (HasVirtualDeviceName(entry.filename().string())) return false;
    if (IsPartitionEntry(entry)) return false;
    // Paths of a multipath NVMe disk are hidden; only the disk they serve has a device node.
    const std::optional<std::string> hidden = ReadSysfsAttribute(entry / "hidden");
    if (hidden && hidden->starts_with('1')) return false;
    std::error_code ec;
    return fs::exists(entry / "device", ec);
}

SourceKind ClassifyBlockDevice(DeviceNumber number) {
    const std::optional<fs::path> entry = BlockEntryOf(number);
    if (entry && IsWholeDiskEntry(*entry)) return SourceKind::Disk;
    return SourceKind::Volume;
}

fs::path DiskEntryOf(const fs::path& entry) {
    return IsPartitionEntry(entry) ? entry.parent_path() : entry;
}

std::optional<std::string> ReadSysfsAttribute(const fs::path& file) {
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    std::string text(kMaxAttributeBytes, '\0');
    std::size_t filled = 0;
    bool failed = false;
    while (filled < text.size()) {
        const ssize_t got = ::read(fd, text.data() + filled, text.size() - filled);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) failed = true;
        if (got <= 0) break;
        filled += static_cast<std::size_t>(got);
    }
    ::close(fd);
    if (failed) return std::nullopt;
    text.resize(filled);
    return text;
}

}  // namespace tundrel::platform
