#pragma once
// NTFS time stamps (100 ns units since 1601-01-01 UTC) as the result tree keeps them.

#include <cstdint>
#include <ctime>

#include "support/display_format.h"

namespace tundrel {

// Seconds since 1970-01-01 UTC.
std::time_t FileTimeToUnixSeconds(std::uint64_t fileTime);
// The local FAT date and packed time of the process's time zone.
LocalTimestamp FileTimeToLocal(std::uint64_t fileTime);
// The milliseconds within the second.
std::uint16_t FileTimeMilliseconds(std::uint64_t fileTime);

}  // namespace tundrel

namespace tundrel {

struct ScanNode;

// A node's time slots are each filled only while still empty, so the first attribute in
// record order that provides one wins.
void FillCreatedSlot(ScanNode& node, std::uint64_t fileTime, bool withMilliseconds);
void FillModifiedSlot(ScanNode& node, std::uint64_t fileTime);
void FillAccessedSlot(ScanNode& node, std::uint64_t fileTime);  // date only

}  // namespace tundrel
