#pragma once
// A FAT volume whose boot sector is gone can still be read when its two FAT copies are found:
// their positions give the reserved area and the FAT size, and the partition size the
// cluster size.

#include <atomic>
#include <cstdint>
#include <optional>
#include <span>

#include "disk/sector_source.h"
#include "disk/volume_info.h"

namespace tundrel {

// The first bytes of a FAT: F8 FF FF (media byte and end mark), or the FAT32 form
// 00 FF FF 0F FF FF FF.
bool LooksLikeFatStart(std::span<const std::uint8_t> bytes);

// Where the FAT copies and the first directory block were found, in sectors from the
// partition start; 0 when not found.
struct FatPositions {
    std::uint32_t firstFat = 0;
    std::uint32_t secondFat = 0;
    std::uint32_t dataStart = 0;
};

// Scans the first 30,000 sectors of the partition for the two FAT starts and the first
// directory block after them; stops early when `stop` is set.
FatPositions FindFatPositions(SectorSource& source, const VolumeInfo& record, const std::atomic<std::uint32_t>& stop);

// A boot sector for the positions found, or nothing when they do not describe a FAT volume
// of type `fsType` (FAT16 or FAT32) that fills `sectorCount` sectors.
std::optional<BootSectorBytes> BuildFatBootSector(const FatPositions& found, std::uint32_t fsType,
                                                  std::uint32_t sectorCount);

// Both steps; on success the rebuilt sector replaces `record.bootSector`.
bool RebuildFatBootSector(SectorSource& source, VolumeInfo& record, const std::atomic<std::uint32_t>& stop);

}  // namespace tundrel
