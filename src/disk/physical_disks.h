#pragma once
// The machine's disks offered as sources: HD0 to HD15.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/device.h"

namespace tundrel {

inline constexpr unsigned kMaxPhysicalDisks = 16;

struct DiskRow {
    unsigned number = 0;
    std::string displayText;  // "ディスク0"
    std::string sourceName;   // "HD0"
    std::string model;
    std::uint64_t totalSectors = 0;
    std::string sizeText;
    std::string devicePath;   // "/dev/sda"
};

// Every disk number whose source opens and has sectors, in ascending order. A number that
// does not open or has no medium (a card reader) leaves a gap; it does not end the list.
std::vector<DiskRow> ListPhysicalDisks(const platform::DeviceOpener& opener = platform::OpenDevice);

}  // namespace tundrel
