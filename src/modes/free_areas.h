#pragma once
// The free clusters of a volume as areas of sectors: what the full scan sweeps on a volume that
// was formatted and then received new files, so that the clusters the new files took are left
// alone. They come from the volume's own allocation data: the NTFS $Bitmap, the exFAT
// allocation bitmap or the FAT.

#include <cstdint>
#include <vector>

#include "disk/boot_sector.h"
#include "disk/fs_type.h"

namespace tundrel {

class SectorSource;

// Sectors of the source, absolute.
struct SectorArea {
    std::uint64_t start = 0;
    std::uint64_t sectors = 0;

    std::uint64_t End() const { return start + sectors; }
    bool operator==(const SectorArea&) const = default;
};

struct FreeAreas {
    std::vector<SectorArea> areas;         // sorted, adjacent ones merged, inside the volume and the source
    std::uint32_t fsType = kFsRaw;         // what the volume's first sector announces
    std::uint64_t bootTotalSectors = 0;    // the volume's size by its boot record; 0 when it has none
    bool wholeVolume = false;              // no usable allocation data: the one area is the whole volume

    std::uint64_t TotalSectors() const;
};

// Past this many areas, each further free run widens the last area to its end (sweeping the
// used clusters between): the list never grows with a volume's fragmentation beyond 16 MiB.
inline constexpr std::size_t kMaxFreeAreas = std::size_t{1} << 20;

// The free clusters of the `volumeSectors` sectors from `volumeStart`, its type told by the
// first of them. Unrecognised or unreadable allocation data gives the whole volume as one area.
FreeAreas FindFreeAreas(SectorSource& source, std::uint64_t volumeStart, std::uint64_t volumeSectors,
                        FileSystemTable fileSystems);

}  // namespace tundrel
