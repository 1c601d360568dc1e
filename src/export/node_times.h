#pragma once
// The time stamps of a found node as moments to set on the exported file.

#include <cstdint>
#include <ctime>
#include <optional>

#include "scan/scan_node.h"

namespace tundrel {

// A FAT date and packed time taken as local time. Nothing for the date 0 or fields no
// calendar has.
std::optional<timespec> LocalMoment(std::uint16_t fatDate, std::uint32_t packedTime);

// Last write: the modified date and time; last access: the accessed date at midnight. Whole
// seconds: the only fraction a node keeps, `milliseconds`, is its creation time's (NTFS).
std::optional<timespec> ModifiedMomentOf(const ScanNode& node);
std::optional<timespec> AccessedMomentOf(const ScanNode& node);

}  // namespace tundrel
