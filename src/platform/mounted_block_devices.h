#pragma once
// The block devices that carry a mounted FAT, exFAT or NTFS file system, with where each
// lies on its disk.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/mount_info.h"
#include "platform/sysfs_block.h"

namespace tundrel::platform {

struct MountedBlockDevice {
    DeviceNumber device;     // the mounted partition (or whole device)
    DeviceNumber disk;       // the disk that holds it; the device itself when it is no partition
    std::string devicePath;  // as the mount table names it: "/dev/sdb1"
    std::string fsType;      // as the mount table names it: "vfat", "exfat", "ntfs3", "fuseblk"
    std::string mountPoint;
    std::uint64_t startSector = 0;  // 512-byte sectors from the start of the disk
    std::uint64_t sectorCount = 0;
};

// Mounts of /dev block devices whose file-system type may be FAT, exFAT or NTFS (the mount
// table says only "fuseblk" for NTFS and exFAT through FUSE). A device mounted at several
// places is listed once, at its first mount; devices the kernel no longer lists are left out.
std::vector<MountedBlockDevice> ListMountedBlockDevices();

// The same, from a given mount table.
std::vector<MountedBlockDevice> MountedBlockDevicesFrom(const std::vector<MountInfoEntry>& mounts);

bool SameDevice(DeviceNumber a, DeviceNumber b);

// The device number of a block device node; nothing for anything else (an image file).
std::optional<DeviceNumber> BlockDeviceNumberOf(const std::string& path);

}  // namespace tundrel::platform
