#pragma once
// The volumes on a source, found from its partition table or its own boot sector.

#include <atomic>
#include <cstdint>
#include <vector>

#include "disk/boot_sector.h"
#include "disk/sector_source.h"
#include "disk/volume_info.h"

namespace tundrel {

// Walks the MBR at sector 0 and its extended chain, then describes every partition found, in
// table order; stops early (keeping what it has) when `stop` is set.
std::vector<VolumeInfo> ListPartitions(SectorSource& source, const std::atomic<std::uint32_t>& stop,
                                       FileSystemTable fileSystems);

// A source whose sector 0 is itself an NTFS, FAT or exFAT boot sector (a partition, or the
// image of one) is one volume at sector 0: the boot code there would read as nonsense
// partition entries. Any other source: its partitions.
std::vector<VolumeInfo> ListSourceVolumes(SectorSource& source, const std::atomic<std::uint32_t>& stop,
                                          FileSystemTable fileSystems);

}  // namespace tundrel
