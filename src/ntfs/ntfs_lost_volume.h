#pragma once
// What the lost-partition search needs to know of NTFS: where a boot sector puts the MFT,
// whether an MFT record found there is the $MFT's own, and a boot sector rebuilt from the
// MFT's first records when no boot sector is left.

#include <cstdint>
#include <optional>
#include <span>

#include "disk/file_system_entry.h"

namespace tundrel {

std::optional<MftPlacement> NtfsMftPlacement(SectorBytes bootSector);

bool HoldsOwnMftRecord(std::span<std::uint8_t> records);

// `records` holds 64 sectors from the MFT's record 0. The cluster size and the MFT's first
// cluster come from record 0's $DATA; the volume size from $MFTMirr (its place is the middle
// of the volume) unless $Bitmap, one bit per cluster, gives it.
std::optional<VolumeFromMft> NtfsVolumeFromMft(std::span<std::uint8_t> records);

}  // namespace tundrel
