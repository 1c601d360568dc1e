#pragma once
// An NTFS volume on a sector source: turns cluster and record numbers into the source's
// sector numbers and reads there.

#include <cstdint>
#include <optional>
#include <span>

#include "ntfs/mft_layout.h"

namespace tundrel {

class SectorSource;

struct NtfsVolume {
    SectorSource* source = nullptr;
    std::uint32_t volumeStart = 0;
    std::uint32_t sectorAdjustment = 0;  // added to every sector computed from a cluster number
    MftLayout mft;
    std::uint64_t clusterCount = 0;  // clusters of the volume; 0 when not known

    std::uint32_t SectorsPerCluster() const { return mft.sectorsPerCluster; }
    std::uint64_t ClusterBytes() const { return std::uint64_t{mft.sectorsPerCluster} * 512; }

    // The source sector of a volume-relative sector (start and adjustment added); nothing when
    // it does not fit a 32-bit sector number.
    std::optional<std::uint32_t> SourceSector(std::uint64_t volumeSector) const;
    std::optional<std::uint32_t> ClusterSector(std::uint64_t cluster) const;
    std::optional<std::uint32_t> RecordSector(std::uint32_t record) const;

    // Reads buffer.size() bytes (whole sectors) at a source sector; false when the sector is
    // missing or the range would pass the last 32-bit sector number (the buffer is then
    // zeros), or when the read fails (what could not be read is zeros).
    bool Read(std::span<std::uint8_t> buffer, std::optional<std::uint32_t> sector) const;
};

}  // namespace tundrel
