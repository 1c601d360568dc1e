#include "disk/boot_sector.h"

#include <algorithm>
#include <string_view>

#include "disk/fs_type.h"
#include "support/byte_reader.h"

namespace tundrel {
namespace {

bool IsPowerOfTwoUpTo128(std::uint8_t value) {
    return value != 0 && value <= 128 && (value & (value - 1)) == 0;
}

bool HasSignature(const ByteReader& r) { return r.U8(510) == 0x55 && r.U8(511) == 0xAA; }

// 512-byte sectors and the 55 AA signature: common to NTFS and FAT.
bool PassesCommonTests(const ByteReader& r) { return r.U16(11) == 512 && HasSignature(r); }

constexpr unsigned kLargestNtfsClusterShift = 12;  // 2 MiB of 512-byte sectors

}  // namespace

std::optional<std::uint32_t> NtfsClusterSectors(std::uint8_t value) {
    if (value <= 0x80) return IsPowerOfTwoUpTo128(value) ? std::optional<std::uint32_t>(value) : std::nullopt;
    const unsigned shift = 256u - value;
    return shift <= kLargestNtfsClusterShift ? std::optional(std::uint32_t{1} << shift) : std::nullopt;
}

bool IsNtfsBootSector(SectorBytes sector, SectorBytes parameters) {
    const ByteReader s(sector);
    const ByteReader b(parameters);
    if (!PassesCommonTests(s) || !NtfsClusterSectors(s.U8(13))) return false;
    if (s.U64(56) == 0 || s.U64(48) == 0 || s.U64(40) == 0) return false;
    return b.U16(14) == 0 && b.U16(22) == 0 && b.U16(17) == 0 && b.U8(16) == 0;
}

bool IsFatBootSector(SectorBytes sector, SectorBytes parameters) {
    const ByteReader s(sector);
    const ByteReader b(parameters);
    if (!PassesCommonTests(s) || !IsPowerOfTwoUpTo128(s.U8(13)) || IsNtfsBootSector(sector, parameters)) return false;
    const std::uint8_t fatCount = b.U8(16);
    if (fatCount != 1 && fatCount != 2) return false;
    const bool fat32 = b.U16(22) == 0 && b.U32(36) != 0;
    const bool fat16 = b.U16(22) != 0 && b.U16(17) != 0;
    return fat32 || fat16;
}

bool IsExFatBootSector(SectorBytes sector) {
    const ByteReader s(sector);
    const auto name = s.Bytes(3, 5);
    if (name.empty() || !std::equal(name.begin(), name.end(), std::string_view("EXFAT").begin())) return false;
    for (std::size_t offset : {80, 84, 88, 92, 96}) {
        if (s.U32(offset) == 0) return false;
    }
    if (s.U64(72) == 0) return false;
    const std::uint8_t clusterShift = s.U8(109);
    const std::uint8_t sectorShift = s.U8(108);
    if (sectorShift < 9 || sectorShift > 12 || sectorShift + clusterShift > 25) return false;
    return HasSignature(s) && !IsNtfsBootSector(sector, sector);
}

std::uint32_t BootSectorType(SectorBytes sector) {
    if (IsNtfsBootSector(sector, sector)) return kFsNtfs;
    if (IsExFatBootSector(sector)) return kFsExFat;
    if (IsFatBootSector(sector, sector)) return ByteReader(sector).U16(22) == 0 ? kFsFat32 : kFsFat16;
    return kFsRaw;
}

}  // namespace tundrel
