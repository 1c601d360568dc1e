#pragma once
// The votes by which loose MFT records place an NTFS volume that left no boot record: the
// cluster size their data sizes suggest, and the volume start that records laid out by the
// usual formatting agree on.

#include <array>
#include <atomic>
#include <cstdint>
#include <optional>
#include <span>

#include "disk/sector_source.h"
#include "scan/scan_node.h"

namespace tundrel {

// The usual layout: the MFT at cluster 786,432 with 8 sectors per cluster.
inline constexpr std::uint64_t kUsualMftCluster = 786'432;
inline constexpr std::uint64_t kUsualMftSector = 6'291'456;
inline constexpr std::uint64_t kUsualVolumeSectors = 12'582'912;

// Records of files of 5,000 bytes or more are read again (4 sectors at `location`) for the
// cluster size their $DATA suggests; the first size (1 to 128 sectors) to get 4 votes wins,
// 8 when none does.
std::uint32_t VoteClusterSize(SectorSource& source, std::span<const ScanNode> records,
                              const std::atomic<std::uint32_t>& stop);

// A record numbered n (200 to 3,000) confirmed by a record numbered n + 250 lying 500 sectors
// after it votes for the start V = its sector - 2n - 6,291,456 of a volume in the usual
// layout. The most voted V wins when it has more than 200 votes and lies within 16,130
// sectors of the source's first sector (it may lie before it).
std::optional<std::int64_t> VoteVolumeStart(std::span<const ScanNode> records, const std::atomic<std::uint32_t>& stop);

// A boot copy of 512-byte sectors that places the MFT (its mirror left at cluster 0).
std::array<std::uint8_t, 512> SyntheticNtfsBoot(std::uint32_t sectorsPerCluster, std::uint64_t totalSectors,
                                                 std::uint64_t mftCluster);

}  // namespace tundrel
