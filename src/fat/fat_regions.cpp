#include "fat/fat_regions.h"

#include "disk/fs_type.h"

namespace tundrel {

std::uint64_t FatRegions::ClusterLimit() const {
    if (sectorsPerCluster == 0 || volumeSectors <= dataStart) return 2;
    return 2 + (volumeSectors - dataStart) / sectorsPerCluster;
}

std::optional<FatRegions> ComputeFatRegions(const FatBootParameters& parameters, std::uint32_t fsType,
                                            bool useSecondFat, std::uint64_t volumeSectors) {
    if (!parameters.IsUsable(fsType)) return std::nullopt;
    FatRegions regions;
    regions.width = fsType == kFsFat32 ? FatWidth::Fat32 : parameters.IsFat12(fsType) ? FatWidth::Fat12 : FatWidth::Fat16;
    regions.sectorsPerCluster = parameters.sectorsPerCluster;
    regions.tableSectors = parameters.FatSectors(fsType);
    if (regions.tableSectors == 0) return std::nullopt;
    const std::uint64_t fatStart = parameters.reservedSectors;
    const bool secondCopy = useSecondFat && parameters.fatCount == 2;
    regions.tableStart = fatStart + (secondCopy ? regions.tableSectors : 0);
    const std::uint64_t tablesEnd = fatStart + std::uint64_t{parameters.fatCount} * regions.tableSectors;
    if (fsType == kFsFat32) {
        regions.rootCluster = parameters.RootCluster();
        regions.dataStart = tablesEnd;
    } else {
        regions.rootStart = tablesEnd;
        regions.rootBytes = std::uint64_t{parameters.rootEntries} * 32;
        regions.dataStart = tablesEnd + parameters.rootEntries / 16;
        if (regions.rootStart + (regions.rootBytes + 511) / 512 > volumeSectors) return std::nullopt;
    }
    // Every sizing field comes from the disk: a table or data area beyond the volume is damage,
    // not something to allocate or read.
    if (regions.tableStart + regions.tableSectors > volumeSectors || regions.dataStart > volumeSectors) {
        return std::nullopt;
    }
    regions.volumeSectors = volumeSectors;
    regions.totalSectorBound = parameters.TotalSectorBound();
    return regions;
}

}  // namespace tundrel
