#pragma once
// Model and serial number of a disk, as the kernel publishes them in sysfs.

#include <string>
#include <string_view>

#include "platform/device.h"
#include "platform/sysfs_block.h"

namespace tundrel::platform {

// Reads `device/model` and `device/serial` (SCSI disks without a serial attribute: the unit
// serial number page `device/vpd_pg80`; virtio disks: the disk's own `serial`) of the disk
// behind the device number; a partition reports its parent disk. Texts the kernel does not
// give stay empty.
DeviceIdentity ReadBlockIdentity(DeviceNumber number);

// The serial number carried by a unit serial number page (a 4-byte header, then the text).
std::string SerialFromUnitSerialPage(std::string_view page);

// Drops white space and NUL padding at both ends.
std::string TrimIdentityText(std::string_view text);

}  // namespace tundrel::platform
