#pragma once
// One entry of the list of scans a user asked for.

#include <array>
#include <cstdint>
#include <string>

namespace tundrel {

// Mode words of a task.
enum ScanMode : std::uint32_t {
    kModeDeletedFiles = 1,
    kModeFormattedVolume = 2,
    kModeFullScan = 3,  // also the lost-partition recovery of each partition found
};

// The volume chosen for a task: a partition of the source, or the whole source.
struct SelectedVolume {
    std::uint32_t startSector = 0;
    std::uint32_t sectorCount = 0;
    std::uint32_t fsType = 0;
    bool bootValid = false;
    std::array<std::uint8_t, 512> bootSector{};
};

// Scan options chosen in the front end (the range and the choices read by the scanners).
using ScanOptions = std::array<std::uint32_t, 10>;

// Further choices of the task beyond its volume and options.
struct TaskParameters {
    std::uint32_t firstWord = 0;       // kept with stored scan results
    std::uint64_t rangeStartSector = 0;
    std::uint64_t rangeEndSector = 0;  // 0: to the end of the volume
};

struct ScanTask {
    std::u16string sourceName;
    SelectedVolume volume;
    ScanOptions options{};
    std::uint32_t mode = kModeDeletedFiles;
    TaskParameters parameters;
};

}  // namespace tundrel
