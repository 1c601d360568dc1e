#include "platform/volume_devices.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <string_view>
#include <system_error>

#include "platform/disk_list.h"
#include "platform/sysfs_number.h"
#include "platform/system_paths.h"

namespace tundrel::platform {
namespace {

namespace fs = std::filesystem;

constexpr std::array<std::string_view, 3> kNeverVolumes = {"ram", "zram", "sr"};

bool NeverAVolume(std::string_view name) {
    return std::any_of(kNeverVolumes.begin(), kNeverVolumes.end(),
                       [&](std::string_view prefix) { return name.starts_with(prefix); });
}

std::optional<VolumeDevice> DeviceAt(const fs::path& entry, bool wholeDisk) {
    const std::optional<DeviceNumber> number = ReadSysfsDeviceNumber(entry);
    if (!number) return std::nullopt;
    std::string name = entry.filename().string();
    std::string path = name;
    std::replace(path.begin(), path.end(), '!', '/');
    return VolumeDevice{std::move(name), "/dev/" + path, *number, wholeDisk};
}

std::vector<fs::path> PartitionsOf(const fs::path& entry) {
    std::vector<fs::path> partitions;
    std::error_code ec;
    for (fs::directory_iterator it(entry, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code partitionError;
        if (it->is_directory(partitionError) && fs::exists(it->path() / "partition", partitionError)) {
            partitions.push_back(it->path());
        }
    }
    return partitions;
}

}  // namespace

std::vector<VolumeDevice> ListVolumeDevices() {
    std::vector<VolumeDevice> devices;
    std::error_code ec;
    for (fs::directory_iterator it(fs::path(SysfsRoot()) / "block", ec), end; !ec && it != end; it.increment(ec)) {
        if (NeverAVolume(it->path().filename().string())) continue;
        std::error_code linkError;
        const fs::path entry = fs::canonical(it->path(), linkError);
        if (linkError) continue;
        const std::vector<fs::path> partitions = PartitionsOf(entry);
        if (partitions.empty()) {
            if (auto device = DeviceAt(entry, IsWholeDiskEntry(entry))) devices.push_back(std::move(*device));
            continue;
        }
        for (const fs::path& partition : partitions) {
            if (auto device = DeviceAt(partition, false)) devices.push_back(std::move(*device));
        }
    }
    std::sort(devices.begin(), devices.end(),
              [](const VolumeDevice& a, const VolumeDevice& b) { return NaturalLess(a.kernelName, b.kernelName); });
    return devices;
}

}  // namespace tundrel::platform
