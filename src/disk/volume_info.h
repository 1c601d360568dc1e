#pragma once
// One partition found on a disk, with what was learnt about it for display and scanning.

#include <array>
#include <cstdint>
#include <string>

#include "disk/fs_type.h"

namespace tundrel {

inline constexpr std::size_t kSectorBytes = 512;
// The first sector number that the 32-bit sector fields cannot hold.
inline constexpr std::uint64_t kSectorNumberEnd = std::uint64_t{1} << 32;
using BootSectorBytes = std::array<std::uint8_t, kSectorBytes>;

struct VolumeInfo {
    std::uint32_t startSector = 0;  // first sector on the disk
    std::uint32_t sectorCount = 0;
    std::uint64_t diskSectors = 0;  // size of the disk it was found on
    BootSectorBytes bootSector{};   // as read, taken from a backup copy, or rebuilt
    bool bootValid = false;         // bootSector passed the test of its type
    std::uint32_t fsType = kFsRaw;
    std::u16string label;           // empty when none was found
    std::string mountPoint;         // where the system has this partition mounted; empty when it is not
    std::u16string diskName;        // name of the source it was found on
    std::u16string createdText;     // creation date of the volume, "2024-03-04"; empty when not found
    // A partition that starts or ends past 2^32 sectors, which the 32-bit fields cannot hold
    // (they are 0 then): its true place, for listing; it cannot be scanned.
    bool beyond2TiB = false;
    std::uint64_t wideStart = 0;
    std::uint64_t wideCount = 0;
};

}  // namespace tundrel
