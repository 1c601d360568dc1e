#pragma once
// Where the parts of an exFAT volume lie, in 512-byte sectors from the volume's first sector.
//
// The boot sector counts in the volume's own sector size; every value here is already scaled
// to the 512-byte sectors in which the engine reads.

#include <cstdint>
#include <optional>
#include <span>

namespace tundrel {

struct ExFatGeometry {
    std::uint32_t scale = 1;           // 512-byte sectors per exFAT sector
    std::uint32_t clusterSectors = 0;  // 512-byte sectors per cluster
    std::uint64_t tableStart = 0;
    std::uint64_t tableSectors = 0;    // the part of the table that describes the heap's clusters
    std::uint64_t dataStart = 0;       // the cluster heap
    std::uint32_t clusterCount = 0;    // clusters of the heap that lie inside the volume
    std::uint32_t rootCluster = 0;
    std::uint64_t volumeSectors = 0;   // the end of everything the scan reads

    std::uint64_t ClusterBytes() const { return std::uint64_t{clusterSectors} * 512; }
    // First sector of cluster N (N >= 2).
    std::uint64_t ClusterSector(std::uint32_t cluster) const {
        return dataStart + std::uint64_t{clusterSectors} * (cluster - std::uint64_t{2});
    }
    // One past the last cluster of the heap.
    std::uint64_t ClusterLimit() const { return std::uint64_t{clusterCount} + 2; }
    bool HoldsCluster(std::uint64_t cluster) const { return cluster >= 2 && cluster < ClusterLimit(); }
};

// 2^(bytes-per-sector shift) / 512: how many 512-byte sectors one sector of the volume spans.
// At least 1; a shift beyond the format's largest sector (4 KiB) is damage and also gives 1.
std::uint32_t ExFatSectorScale(std::span<const std::uint8_t> bootSector);

// The layout of a volume of `volumeSectors` sectors, or nothing when the boot sector is not an
// exFAT one or places its table or cluster heap outside the volume. A cluster count larger
// than the heap that fits in the volume is cut to it, and the table to the entries those
// clusters need, so that no size from the disk decides an allocation on its own.
std::optional<ExFatGeometry> ComputeExFatGeometry(std::span<const std::uint8_t> bootSector,
                                                  std::uint64_t volumeSectors);

}  // namespace tundrel
