#pragma once
// The block devices that may hold a volume: partitions, and devices without partitions
// (loop, device-mapper and RAID devices, and disks formatted without a partition table).

#include <string>
#include <vector>

#include "platform/sysfs_block.h"

namespace tundrel::platform {

struct VolumeDevice {
    std::string kernelName;  // "sdb1", "loop0", "dm-0"
    std::string devicePath;  // "/dev/sdb1"
    DeviceNumber number;
    bool wholeDisk = false;  // a real disk that has no partitions
};

// In natural order of kernel names. RAM disks used for swap (zram), the kernel's ram
// devices and optical drives are left out; so is a device that has partitions (they are
// listed instead).
std::vector<VolumeDevice> ListVolumeDevices();

}  // namespace tundrel::platform
