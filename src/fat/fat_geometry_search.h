#pragma once
// A FAT volume whose boot sector and backup are both gone, found from its tables and
// directories alone: the lost-partition search runs it where a partition it found ends.

#include <atomic>
#include <cstdint>
#include <optional>

#include "disk/file_system_entry.h"

namespace tundrel {

// Reads up to 40,000 sectors from `start`, taken as the volume's first sector. A sector of
// FAT entries running on (n, n + 1, ...) votes for the first sector of its FAT, its own
// position less its index in the FAT (the clusters it counts ÷ 256 for FAT16, ÷ 128 for
// FAT32); a place with more than three votes is a FAT's start. The first two such places
// give the reserved sectors and the FAT size; the distance most often met between the starts
// of runs of directory sectors gives the cluster size. Stops early once both FATs are found
// and a directory run lies past them.
std::optional<RebuiltFatVolume> SearchFatGeometry(SectorSource& source, std::uint64_t start,
                                                  const std::atomic<std::uint32_t>& stop);

}  // namespace tundrel
