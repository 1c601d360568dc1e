#include "fat/fat_boot_sector.h"

#include "disk/boot_sector.h"
#include "disk/fs_type.h"
#include "fat/fat_boot_parameters.h"

namespace tundrel {

bool IsFatBootSector(std::span<const std::uint8_t> sector, std::span<const std::uint8_t> parameters) {
    const FatBootParameters own = FatBootParameters::Parse(sector);
    const FatBootParameters block = FatBootParameters::Parse(parameters);
    const unsigned spc = own.sectorsPerCluster;
    const bool clusterOk = spc != 0 && spc <= 128 && (spc & (spc - 1)) == 0;
    if (!clusterOk || own.bytesPerSector != 512 || !HasBootSignature(sector)) return false;
    // NTFS keeps 0 FATs in this field, so the count alone keeps its boot sectors out.
    if (block.fatCount != 1 && block.fatCount != 2) return false;
    const bool fat32 = block.fatSectors16 == 0 && block.fatSectors32 != 0;
    const bool fat16 = block.fatSectors16 != 0 && block.rootEntries != 0;
    return fat32 || fat16;
}

std::uint32_t FatBootSectorType(std::span<const std::uint8_t> sector) {
    if (!IsFatBootSector(sector, sector)) return kFsRaw;
    return FatBootParameters::Parse(sector).fatSectors16 == 0 ? kFsFat32 : kFsFat16;
}

}  // namespace tundrel
