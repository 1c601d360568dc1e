#pragma once
// The volumes on a source, found from its partition table or its own boot sector.

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "disk/boot_sector.h"
#include "disk/sector_source.h"
#include "disk/volume_info.h"

namespace tundrel {

// Walks the MBR at sector 0 and its extended chain, then describes every partition found, in
// table order; stops early (keeping what it has) when `stop` is set. A GUID partition table's
// damage is told in `notes` when given.
std::vector<VolumeInfo> ListPartitions(SectorSource& source, const std::atomic<std::uint32_t>& stop,
                                       FileSystemTable fileSystems, std::vector<std::string>* notes = nullptr);

// A source whose sector 0 is itself an NTFS, FAT or exFAT boot sector (a partition, or the
// image of one) is one volume at sector 0: the boot code there would read as nonsense
// partition entries. Any other source: its partitions.
std::vector<VolumeInfo> ListSourceVolumes(SectorSource& source, const std::atomic<std::uint32_t>& stop,
                                          FileSystemTable fileSystems, std::vector<std::string>* notes = nullptr);

}  // namespace tundrel
