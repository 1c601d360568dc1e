#pragma once
// One entry of the list of scans a user asked for.

#include <array>
#include <cstddef>
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

// Scan options chosen in the front end, ten words, all 0 but those given a meaning here:
//   0-1  low, high: the NTFS scanner's first byte of the MFT window it leaves out
//   2-3  low, high: the MFT's length in clusters when the task gives it as one run
//   4-5  low, high: the range mark of a task that gives the MFT (0: none)
//   6    sectors by which the NTFS volume sits off the place its clusters name
//   7    kOptionFullScanFallback: 1 lets a scanner that cannot use its volume's boot record
//        hand the volume to the full scan (the full-scan and formatted modes)
//   8-9  low, high: the byte after the end of the left-out MFT window
using ScanOptions = std::array<std::uint32_t, 10>;
inline constexpr std::size_t kOptionFullScanFallback = 7;

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
