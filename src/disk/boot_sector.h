#pragma once
// Acceptance tests for the boot sectors of the file systems the engine reads. Pure functions
// of the sector's bytes, so every layer can use them without reading anything.

#include <cstdint>
#include <span>

namespace tundrel {

using SectorBytes = std::span<const std::uint8_t>;

// `sector` is the candidate; `parameters` the sector whose parameter block is checked (callers
// pass the same buffer twice unless they test a copy).
bool IsNtfsBootSector(SectorBytes sector, SectorBytes parameters);
bool IsFatBootSector(SectorBytes sector, SectorBytes parameters);
bool IsExFatBootSector(SectorBytes sector);

// The 512-byte sectors per cluster that an NTFS boot sector's byte 13 gives: 1 to 128 as
// written, or above 0x80 the negative power of two 2^(256 - value) with which clusters above
// 64 KiB are written, up to 2 MiB; 0 for any other value.
std::uint32_t NtfsSectorsPerCluster(std::uint8_t value);

// The file-system type a boot sector announces (FAT16, FAT32, NTFS, exFAT), or RAW.
std::uint32_t BootSectorType(SectorBytes sector);

}  // namespace tundrel
