#include "fat/fat_boot_parameters.h"

#include <algorithm>

#include "disk/fs_type.h"
#include "support/byte_reader.h"

namespace tundrel {

FatBootParameters FatBootParameters::Parse(std::span<const std::uint8_t> bytes) {
    const ByteReader r(bytes.first(std::min(bytes.size(), kFatBootParameterBytes)));
    FatBootParameters p;
    p.bytesPerSector = r.U16(11);
    p.sectorsPerCluster = r.U8(13);
    p.reservedSectors = r.U16(14);
    p.fatCount = r.U8(16);
    p.rootEntries = r.U16(17);
    p.totalSectors16 = r.U16(19);
    p.fatSectors16 = r.U16(22);
    p.totalSectors32 = r.U32(32);
    p.fatSectors32 = r.U32(36);
    p.rootCluster32 = r.U32(44);
    return p;
}

std::uint64_t FatBootParameters::TotalSectorBound() const {
    if (sectorsPerCluster == 0) return 0;
    return std::max<std::uint64_t>(totalSectors16, totalSectors32);
}

std::uint32_t FatBootParameters::RootCluster() const { return std::max<std::uint32_t>(rootCluster32, 2); }

std::uint32_t FatBootParameters::FatSectors(std::uint32_t fsType) const {
    return fsType == kFsFat32 ? fatSectors32 : fatSectors16;
}

bool FatBootParameters::IsUsable(std::uint32_t fsType) const {
    const bool clusterOk =
        sectorsPerCluster != 0 && sectorsPerCluster <= 128 && (sectorsPerCluster & (sectorsPerCluster - 1)) == 0;
    if (bytesPerSector != 512 || !clusterOk) return false;
    if (fsType == kFsFat32) return fatSectors32 != 0 && fatCount != 0;
    return rootEntries >= 256;
}

}  // namespace tundrel
