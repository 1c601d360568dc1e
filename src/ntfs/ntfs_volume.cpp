#include "ntfs/ntfs_volume.h"

#include <algorithm>
#include <limits>

#include "disk/sector_source.h"

namespace tundrel {
namespace {
constexpr std::uint64_t kLastSector = std::numeric_limits<std::uint32_t>::max();
}  // namespace

std::optional<std::uint32_t> NtfsVolume::SourceSector(std::uint64_t volumeSector) const {
    if (volumeSector > kLastSector) return std::nullopt;
    // The adjustment counts as a 32-bit two's-complement value, so a volume whose start lies
    // before the source's first sector can be read.
    const std::int64_t sector = static_cast<std::int64_t>(volumeSector) + volumeStart + static_cast<std::int32_t>(sectorAdjustment);
    if (sector < 0 || sector > static_cast<std::int64_t>(kLastSector)) return std::nullopt;
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
