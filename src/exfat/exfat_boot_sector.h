#pragma once
// The test an exFAT boot sector must pass before anything else of the volume is read. A pure
// function of the sector's bytes, so every layer can use it without reading anything.

#include <cstdint>
#include <span>

namespace tundrel {

bool IsExFatBootSector(std::span<const std::uint8_t> sector);

// exFAT, or RAW when the sector fails the test.
std::uint32_t ExFatBootSectorType(std::span<const std::uint8_t> sector);

}  // namespace tundrel
