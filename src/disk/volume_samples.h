#pragma once
// Samples of a volume's own sectors, for telling whether a volume lies on a given disk: the
// volume's first sectors and the places of its file-system structures, compared with the
// disk at the volume's offset.

#include <cstdint>
#include <string>
#include <vector>

#include "disk/boot_sector.h"
#include "disk/sector_source.h"

namespace tundrel {

inline constexpr std::uint32_t kSampleSectors = 128;

struct SampleRegion {
    std::uint64_t start = 0;  // region 0: the volume's first sector on its disk; the others: volume-relative
    std::uint32_t sectorCount = kSampleSectors;
};

// The regions for a volume at `partitionStart` on its disk whose sector 0 is `bootSector`:
// the start, then for NTFS the MFT, for FAT the second FAT and the end of the FATs, for exFAT
// the root directory.
std::vector<SampleRegion> SampleRegionsOf(std::uint64_t partitionStart, SectorBytes bootSector,
                                          std::uint64_t volumeSectors);

// For a source that is a partition: fills `regions` and returns the identity of the disk that
// holds it (serial and model, upper-cased). Anything else gives an empty identity and no regions.
std::u16string BuildVolumeSamples(SectorSource& volume, std::vector<SampleRegion>& regions);

// Whether every region of the volume reads the same on the named disk at the volume's offset.
bool SamplesMatchDisk(std::u16string_view diskName, SectorSource& volume, const std::vector<SampleRegion>& regions,
                      const platform::DeviceOpener& opener = platform::OpenDevice);

}  // namespace tundrel
