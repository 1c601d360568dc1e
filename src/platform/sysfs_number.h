#pragma once
// Numeric attributes of sysfs entries ("size", "start", "loop/offset").

#include <cstdint>
#include <filesystem>
#include <optional>

#include "platform/sysfs_block.h"

namespace tundrel::platform {

// The leading decimal number of an attribute file; nothing when unreadable or not a number.
std::optional<std::uint64_t> ReadSysfsNumber(const std::filesystem::path& file);

// The "MAJ:MIN" of an entry's `dev` attribute.
std::optional<DeviceNumber> ReadSysfsDeviceNumber(const std::filesystem::path& entry);

}  // namespace tundrel::platform
