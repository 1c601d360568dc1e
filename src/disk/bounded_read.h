#pragma once
// Reads at sector positions computed from disk fields. Positions are taken as 64-bit so that
// a damaged field cannot wrap round to the start of the source; whatever lies beyond the
// source's end (or beyond the last 32-bit sector number) is not read at all.

#include <cstdint>
#include <span>
#include <vector>

#include "disk/sector_source.h"

namespace tundrel {

// How many of `wanted` sectors from `first` on lie inside the source.
std::uint32_t SectorsWithin(const SectorSource& source, std::uint64_t first, std::uint32_t wanted);

// The sectors from `first` on that lie inside the source, at most `wanted`: fewer near the
// end, none beyond it. Parts the device could not read are zeros.
std::vector<std::uint8_t> ReadWithin(SectorSource& source, std::uint64_t first, std::uint32_t wanted);

// Reads one sector into `sector` (whole sectors only); false, with zeros, when it lies
// outside the source or cannot be read.
bool ReadSectorWithin(SectorSource& source, std::uint64_t first, std::span<std::uint8_t> sector);

}  // namespace tundrel
