#pragma once
// The FAT parameter block: the first 62 bytes of a FAT volume's boot sector, as the scanner
// keeps them.

#include <cstddef>
#include <cstdint>
#include <span>

namespace tundrel {

inline constexpr std::size_t kFatBootParameterBytes = 62;

struct FatBootParameters {
    std::uint16_t bytesPerSector = 0;
    std::uint8_t sectorsPerCluster = 0;
    std::uint16_t reservedSectors = 0;
    std::uint8_t fatCount = 0;
    std::uint16_t rootEntries = 0;
    std::uint16_t totalSectors16 = 0;
    std::uint16_t fatSectors16 = 0;
    std::uint32_t totalSectors32 = 0;
    std::uint32_t fatSectors32 = 0;
    std::uint32_t rootCluster32 = 0;

    // Fields missing from a short buffer read as 0.
    static FatBootParameters Parse(std::span<const std::uint8_t> bytes);

    // The larger of the two total-sector fields; 0 (no bound) when sectors per cluster is 0.
    std::uint64_t TotalSectorBound() const;
    // FAT32 root directory cluster; values below 2 are taken as 2.
    std::uint32_t RootCluster() const;
    // Sectors per FAT of the given volume type.
    std::uint32_t FatSectors(std::uint32_t fsType) const;
    // A FAT12/16 volume (type code 1) whose data area holds fewer than 4,085 clusters by the
    // boot sector's own total: its table has 12-bit entries.
    bool IsFat12(std::uint32_t fsType) const;
    // The checks a volume must pass before anything else of it is read: 512-byte sectors, a
    // power-of-two cluster of at most 128 sectors, and for FAT16 at least 256 root entries
    // (FAT12 also the 112 and 224 of floppy disks), for FAT32 a non-zero FAT size and FAT count.
    bool IsUsable(std::uint32_t fsType) const;
};

}  // namespace tundrel
