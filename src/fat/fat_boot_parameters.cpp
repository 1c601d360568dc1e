#include "fat/fat_boot_parameters.h"

#include <algorithm>

#include "disk/fs_type.h"
#include "fat/fat_entry_value.h"
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

bool FatBootParameters::IsFat12(std::uint32_t fsType) const {
    const std::uint64_t total = TotalSectorBound();
    if (fsType == kFsFat32 || total == 0) return false;
    const std::uint64_t dataStart =
        reservedSectors + std::uint64_t{fatCount} * fatSectors16 + (std::uint64_t{rootEntries} * 32 + 511) / 512;
    return dataStart < total && (total - dataStart) / sectorsPerCluster < kFat12ClusterLimit;
}

bool FatBootParameters::IsUsable(std::uint32_t fsType) const {
    const bool clusterOk =
        sectorsPerCluster != 0 && sectorsPerCluster <= 128 && (sectorsPerCluster & (sectorsPerCluster - 1)) == 0;
    if (bytesPerSector != 512 || !clusterOk) return false;
    if (fsType == kFsFat32) return fatSectors32 != 0 && fatCount != 0;
    return rootEntries >= 256 || (IsFat12(fsType) && (rootEntries == 112 || rootEntries == 224));
}

}  // namespace tundrel
