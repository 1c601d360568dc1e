#pragma once
// A compressed file's data as compression units of 16 clusters: each unit is stored plainly
// (all its clusters allocated), compressed (some allocated), or not at all (zeros).

#include <cstdint>

#include "ntfs/data_runs.h"
#include "ntfs/ntfs_volume.h"
#include "scan/file_extent.h"

namespace tundrel {

inline constexpr std::uint32_t kClustersPerCompressionUnit = 16;
// 256 GiB of data at 4 KiB clusters; a size beyond comes from a damaged record.
inline constexpr std::uint64_t kMaxCompressionUnits = std::uint64_t{1} << 22;

// NTFS compresses only on volumes with clusters of at most 4 KiB; beyond 64 KiB a compressed
// flag is damage, and taking it would make the unit buffers of a read grow to 32 MiB.
inline constexpr std::uint64_t kLargestCompressedClusterBytes = 64 * 1024;

// One FileExtent per unit, in file order: its start and count are the unit's first allocated
// piece, its sub-records the further pieces, all in source sectors; a unit without allocated
// clusters has start 0 and count 0. Only the units that hold the first `fileSize` bytes are
// made, and grouping stops at a unit the runs do not reach, whose clusters pass the volume's
// end or whose sectors do not fit a 32-bit sector number. No file gets more than
// kMaxCompressionUnits units, and a volume with clusters above
// kLargestCompressedClusterBytes none.
ExtentList GroupCompressionUnits(const NtfsVolume& volume, const MftRunList& runs, std::uint64_t fileSize);

}  // namespace tundrel
