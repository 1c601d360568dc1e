#include "ntfs/ntfs_volume.h"

#include <algorithm>
#include <limits>

#include "disk/sector_source.h"

namespace tundrel {
namespace {
constexpr std::uint64_t kLastSector = std::numeric_limits<std::uint32_t>::max();
}  // namespace

std::optional<std::uint32_t> NtfsVolume::SourceSector(std::uint64_t volumeSector) const {
    const std::uint64_t sector = volumeSector + volumeStart + sectorAdjustment;
    if (volumeSector > kLastSector || sector > kLastSector) return std::nullopt;
    return static_cast<std::uint32_t>(sector);
}

std::optional<std::uint32_t> NtfsVolume::ClusterSector(std::uint64_t cluster) const {
    if (cluster > kLastSector) return std::nullopt;
    return SourceSector(cluster * mft.sectorsPerCluster);
}

std::optional<std::uint32_t> NtfsVolume::RecordSector(std::uint32_t record) const {
    return SourceSector(mft.RecordSector(record));
}

bool NtfsVolume::Read(std::span<std::uint8_t> buffer, std::optional<std::uint32_t> sector) const {
    const std::uint64_t sectors = (buffer.size() + 511) / 512;
    if (!sector || source == nullptr || sectors == 0 || *sector + sectors - 1 > kLastSector) {
        std::fill(buffer.begin(), buffer.end(), 0);
        return false;
    }
    // What the device could not read it leaves as zeros; the rest of a short read is kept.
    return source->ReadSectors(buffer, *sector);
}

}  // namespace tundrel
