#include "exfat/exfat_geometry.h"

#include <algorithm>

#include "disk/volume_info.h"
#include "exfat/exfat_boot_fields.h"
#include "exfat/exfat_boot_sector.h"
#include "support/byte_reader.h"

namespace tundrel {
namespace {

namespace boot_field = exfat_boot_field;

constexpr std::uint64_t kExFatTableEntryBytes = 4;

}  // namespace

std::uint32_t ExFatSectorScale(std::span<const std::uint8_t> bootSector) {
    const unsigned shift = ByteReader(bootSector).U8(boot_field::kSectorShift);
    if (shift <= kExFatSmallestSectorShift || shift > kExFatLargestSectorShift) return 1;
    return std::uint32_t{1} << (shift - kExFatSmallestSectorShift);
}

std::optional<ExFatGeometry> ComputeExFatGeometry(std::span<const std::uint8_t> bootSector,
                                                  std::uint64_t volumeSectors) {
    if (!IsExFatBootSector(bootSector)) return std::nullopt;
    const ByteReader boot(bootSector);
    ExFatGeometry g;
    g.scale = ExFatSectorScale(bootSector);
    // The recognition rules keep the two shifts' sum at most 25: a cluster is at most 32 MiB.
    g.clusterSectors = std::uint32_t{g.scale} << boot.U8(boot_field::kClusterShift);
    g.tableStart = std::uint64_t{boot.U32(boot_field::kFatOffset)} * g.scale;
    g.dataStart = std::uint64_t{boot.U32(boot_field::kHeapOffset)} * g.scale;
    g.rootCluster = boot.U32(boot_field::kRootCluster);
    if (g.tableStart >= volumeSectors || g.dataStart >= volumeSectors) return std::nullopt;

    const std::uint64_t heapClusters = (volumeSectors - g.dataStart) / g.clusterSectors;
    g.clusterCount = static_cast<std::uint32_t>(std::min<std::uint64_t>(boot.U32(boot_field::kClusterCount), heapClusters));
    if (g.clusterCount == 0) return std::nullopt;

    const std::uint64_t declaredTable = std::uint64_t{boot.U32(boot_field::kFatLength)} * g.scale;
    const std::uint64_t neededTable = (g.ClusterLimit() * kExFatTableEntryBytes + kSectorBytes - 1) / kSectorBytes;
    g.tableSectors = std::min({declaredTable, neededTable, volumeSectors - g.tableStart});
    g.volumeSectors = volumeSectors;
    return g;
}

}  // namespace tundrel
