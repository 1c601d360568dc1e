#pragma once
// Where the parts of a FAT volume lie, in 512-byte sectors from the volume's first sector.

#include <cstdint>
#include <optional>

#include "fat/fat_boot_parameters.h"
#include "fat/fat_entry_value.h"

namespace tundrel {

struct FatRegions {
    FatWidth width = FatWidth::Fat16;
    std::uint32_t sectorsPerCluster = 0;
    std::uint64_t tableStart = 0;    // the copy of the FAT that is read
    std::uint64_t tableSectors = 0;  // one copy
    std::uint64_t rootStart = 0;     // FAT16 root directory
    std::uint64_t rootBytes = 0;     // FAT16 root directory
    std::uint32_t rootCluster = 0;   // FAT32 root directory
    std::uint64_t dataStart = 0;
    std::uint64_t volumeSectors = 0;     // the end of everything the scan reads
    std::uint64_t totalSectorBound = 0;  // the boot sector's own total, 0 when unknown

    std::uint64_t ClusterBytes() const { return std::uint64_t{sectorsPerCluster} * 512; }
    // First sector of cluster N (N >= 2).
    std::uint64_t ClusterSector(std::uint32_t cluster) const {
        return dataStart + std::uint64_t{sectorsPerCluster} * (cluster - std::uint64_t{2});
    }
    // One past the highest cluster whose sectors lie inside the volume.
    std::uint64_t ClusterLimit() const;
    // Entries of one FAT copy.
    std::uint64_t EntryCount() const { return EntriesIn(tableSectors * 512, width); }
};

// The regions of a volume of `volumeSectors` sectors, or nothing when the parameters fail
// the boot-sector checks or describe a table, root directory or data area that does not fit
// in the volume. With exactly two FATs and `useSecondFat`, the table is read from the second
// copy.
std::optional<FatRegions> ComputeFatRegions(const FatBootParameters& parameters, std::uint32_t fsType,
                                            bool useSecondFat, std::uint64_t volumeSectors);

}  // namespace tundrel
