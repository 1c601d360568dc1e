#pragma once
// What a failed read means, and how the system words an error number.

#include <string>

#include "platform/device.h"

namespace tundrel::platform {

// ENODEV, ENXIO and ENOENT say the device went away. EIO alone is also what a bad sector
// gives, so it means "gone" only once the kernel has dropped the device's sysfs entry.
ReadStatus ClassifyReadError(int error, bool deviceEntryVanished);

// The system's text for an error number ("No such device").
std::string ErrorText(int error);

}  // namespace tundrel::platform
