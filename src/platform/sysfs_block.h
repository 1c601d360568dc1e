#pragma once
// A block device's entry in sysfs, found through its device number (/sys/dev/block/MAJ:MIN).

#include <filesystem>
#include <optional>
#include <string>

#include "platform/device.h"

namespace tundrel::platform {

struct DeviceNumber {
    unsigned major = 0;
    unsigned minor = 0;
};

// The directory of the device's entry with links resolved, or nothing when the kernel no
// longer lists the device (a pulled USB disk loses its entry).
std::optional<std::filesystem::path> BlockEntryOf(DeviceNumber number);

// A real whole disk: the entry has a `device` link, is no partition, is not hidden, and is
// none of the kernel's virtual block devices (loop, ram, zram, dm, md, nbd) nor an optical
// drive (sr).
bool IsWholeDiskEntry(const std::filesystem::path& entry);

// Disk for a whole disk; Volume for a partition and for any other block device.
SourceKind ClassifyBlockDevice(DeviceNumber number);

// The entry that describes the hardware: a partition's parent disk, else the entry itself.
std::filesystem::path DiskEntryOf(const std::filesystem::path& entry);

// The text of a small sysfs attribute file, as stored (no trimming); nothing when unreadable.
std::optional<std::string> ReadSysfsAttribute(const std::filesystem::path& file);

}  // namespace tundrel::platform
