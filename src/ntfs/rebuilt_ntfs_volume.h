#pragma once
// What the full scan hands an NTFS scanner for a volume it rebuilt from the sectors its sweep
// found, instead of the volume's own first sector.

#include <array>
#include <cstdint>
#include <vector>

#include "ntfs/ntfs_volume.h"

namespace tundrel {

struct RebuiltNtfsVolume {
    std::array<std::uint8_t, 512> bootCopy{};  // found on the disk, or made from the votes
    // Added to every sector a cluster number gives, as a 32-bit two's-complement value: a
    // volume whose clusters place it before the source's first sector has a negative one.
    std::uint32_t sectorAdjustment = 0;
    // Absolute sectors of the named records the sweep found inside the volume; those outside
    // the volume's own MFT join its lost-files tree.
    std::vector<std::uint32_t> looseRecordSectors;
};

// Whether the record at a cluster is the $MFT's own (the MFT's start, or its mirror's): a
// rebuilt volume's MFT is read only through them, never searched for.
bool HoldsMftRecordAt(const NtfsVolume& volume, std::uint64_t mftCluster);

}  // namespace tundrel
