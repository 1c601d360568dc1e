#pragma once
// The test an NTFS boot sector must pass before anything else of the volume is read. Pure
// functions of the sector's bytes, so every layer can use them without reading anything.

#include <cstdint>
#include <optional>
#include <span>

namespace tundrel {

// `sector` is the candidate; `parameters` the sector whose parameter block is checked (callers
// pass the same buffer twice unless they test a copy).
bool IsNtfsBootSector(std::span<const std::uint8_t> sector, std::span<const std::uint8_t> parameters);

// NTFS, or RAW when the sector fails the test.
std::uint32_t NtfsBootSectorType(std::span<const std::uint8_t> sector);

// Sectors per cluster from the boot sector's byte 13: 1 to 128 as they stand, and above 0x80 a
// negative power of two (0xF4: 2^12 sectors), as Windows writes clusters of 128 KiB to 2 MiB.
// Nothing for any other value.
std::optional<std::uint32_t> NtfsClusterSectors(std::uint8_t field);

}  // namespace tundrel
