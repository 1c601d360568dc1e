#pragma once
// Turns a user's source name into a path to open.

#include <optional>
#include <string>
#include <string_view>

namespace tundrel::platform {

// "HD<n>" (3 or 4 characters, "HD" in any case) names the n-th whole disk of ListWholeDisks;
// a name with "/" is a path (block device or image file); anything else is /dev/NAME.
// Returns nothing when an "HD<n>" disk does not exist.
std::optional<std::string> ResolveSourceName(std::string_view name);

// The disk number of an "HD<n>" name, or nothing when the name is not a disk name.
std::optional<unsigned> DiskNumberOf(std::string_view name);

}  // namespace tundrel::platform
