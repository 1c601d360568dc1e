#pragma once
// Samples of a volume's own sectors, for telling whether a volume lies on a given disk: the
// volume's first sectors and the places of its file-system structures, compared with the
// disk at the volume's offset.

#include <cstdint>
#include <string>
#include <vector>

#include "disk/boot_sector.h"
#include "disk/sample_region.h"
#include "disk/sector_source.h"

namespace tundrel {

// The regions for a volume at `partitionStart` on its disk whose sector 0 is `bootSector`:
// the start, then for NTFS the MFT, for FAT the second FAT and the end of the FATs, for exFAT
// the root directory.
std::vector<SampleRegion> SampleRegionsOf(std::uint64_t partitionStart, SectorBytes bootSector,
                                          std::uint64_t volumeSectors, FileSystemTable fileSystems);

// For a source that is a partition: fills `regions` and returns the identity of the disk that
// holds it (serial and model, upper-cased). Anything else gives an empty identity and no regions.
std::u16string BuildVolumeSamples(SectorSource& volume, std::vector<SampleRegion>& regions,
                                  FileSystemTable fileSystems);

// Whether every region of the volume reads the same on the named disk at the volume's offset.
bool SamplesMatchDisk(std::u16string_view diskName, SectorSource& volume, const std::vector<SampleRegion>& regions,
                      const platform::DeviceOpener& opener = platform::OpenDevice);

}  // namespace tundrel
