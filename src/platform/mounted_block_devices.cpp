#include "platform/mounted_block_devices.h"

#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <algorithm>
#include <array>
#include <string_view>

#include "platform/sysfs_number.h"

namespace tundrel::platform {
namespace {

constexpr std::array<std::string_view, 6> kCandidateTypes = {"vfat", "msdos", "exfat", "ntfs", "ntfs3", "fuseblk"};

// FUSE file systems on block devices (ntfs-3g, exfat-fuse) show as "fuseblk", or with a
// subtype as "fuseblk.NAME".
bool IsCandidateType(std::string_view type) {
    return type.starts_with("fuseblk.") ||
           std::find(kCandidateTypes.begin(), kCandidateTypes.end(), type) != kCandidateTypes.end();
}

std::optional<MountedBlockDevice> Describe(const MountInfoEntry& mount) {
    const std::optional<std::filesystem::path> entry = BlockEntryOf(mount.device);
    if (!entry) return std::nullopt;
    const std::optional<std::uint64_t> size = ReadSysfsNumber(*entry / "size");
    if (!size) return std::nullopt;
    MountedBlockDevice found;
    found.device = mount.device;
    found.devicePath = mount.source;
    found.fsType = mount.fsType;
    found.mountPoint = mount.mountPoint;
    found.sectorCount = *size;
    found.disk = mount.device;
    const std::filesystem::path diskEntry = DiskEntryOf(*entry);
    if (diskEntry != *entry) {
        const std::optional<DeviceNumber> disk = ReadSysfsDeviceNumber(diskEntry);
        const std::optional<std::uint64_t> start = ReadSysfsNumber(*entry / "start");
        if (!disk || !start) return std::nullopt;
        found.disk = *disk;
        found.startSector = *start;
    }
    return found;
}

}  // namespace

bool SameDevice(DeviceNumber a, DeviceNumber b) { return a.major == b.major && a.minor == b.minor; }

std::vector<MountedBlockDevice> MountedBlockDevicesFrom(const std::vector<MountInfoEntry>& mounts) {
    std::vector<MountedBlockDevice> devices;
    for (const MountInfoEntry& mount : mounts) {
        if (!mount.source.starts_with("/dev/") || !IsCandidateType(mount.fsType)) continue;
        const bool listed = std::any_of(devices.begin(), devices.end(), [&](const MountedBlockDevice& known) {
            return SameDevice(known.device, mount.device);
        });
        if (listed) continue;
        if (std::optional<MountedBlockDevice> found = Describe(mount)) devices.push_back(std::move(*found));
    }
    return devices;
}

std::vector<MountedBlockDevice> ListMountedBlockDevices() { return MountedBlockDevicesFrom(ReadMountInfo()); }

std::optional<DeviceNumber> BlockDeviceNumberOf(const std::string& path) {
    struct stat info = {};
    if (::stat(path.c_str(), &info) != 0 || !S_ISBLK(info.st_mode)) return std::nullopt;
    return DeviceNumber{::major(info.st_rdev), ::minor(info.st_rdev)};
}

}  // namespace tundrel::platform
