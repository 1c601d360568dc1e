#pragma once
// Acceptance tests for the boot sectors of the file systems the engine reads. Pure functions
// of the sector's bytes, so every layer can use them without reading anything.

#include <cstdint>
#include <optional>
#include <span>

namespace tundrel {

using SectorBytes = std::span<const std::uint8_t>;

// `sector` is the candidate; `parameters` the sector whose parameter block is checked (callers
// pass the same buffer twice unless they test a copy).
bool IsNtfsBootSector(SectorBytes sector, SectorBytes parameters);
bool IsFatBootSector(SectorBytes sector, SectorBytes parameters);
bool IsExFatBootSector(SectorBytes sector);

// Sectors per cluster from an NTFS boot sector's byte 13: 1 to 128 as they stand, and above
// 0x80 a negative power of two (0xF4: 2^12 sectors), as Windows writes clusters of 128 KiB to
// 2 MiB. Nothing for any other value.
std::optional<std::uint32_t> NtfsClusterSectors(std::uint8_t value);

// The file-system type a boot sector announces (FAT16, FAT32, NTFS, exFAT), or RAW.
std::uint32_t BootSectorType(SectorBytes sector);

}  // namespace tundrel
