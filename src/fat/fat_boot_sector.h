#pragma once
// The test a FAT12/16/32 boot sector must pass before anything else of the volume is read.
// A pure function of the sector's bytes, so every layer can use it without reading anything.

#include <cstdint>
#include <span>

namespace tundrel {

// `sector` is the candidate; `parameters` the sector whose parameter block is checked (callers
// pass the same buffer twice unless they test a copy).
bool IsFatBootSector(std::span<const std::uint8_t> sector, std::span<const std::uint8_t> parameters);

// FAT32 when the 16-bit FAT size is 0, else FAT16 (which FAT12 volumes share); RAW when the
// sector fails the test.
std::uint32_t FatBootSectorType(std::span<const std::uint8_t> sector);

}  // namespace tundrel
