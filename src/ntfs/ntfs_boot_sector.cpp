#include "ntfs/ntfs_boot_sector.h"

#include "disk/boot_sector.h"
#include "disk/fs_type.h"
#include "support/byte_reader.h"

namespace tundrel {
namespace {

namespace field {
constexpr std::size_t kBytesPerSector = 0x0B;
constexpr std::size_t kSectorsPerCluster = 0x0D;
constexpr std::size_t kReservedSectors = 0x0E;
constexpr std::size_t kFatCount = 0x10;
constexpr std::size_t kRootEntries = 0x11;
constexpr std::size_t kFatSectors = 0x16;
constexpr std::size_t kTotalSectors = 0x28;
constexpr std::size_t kMftCluster = 0x30;
constexpr std::size_t kMirrorCluster = 0x38;
}  // namespace field

constexpr std::uint32_t kLargestClusterSectors = 4096;  // 2 MiB

}  // namespace

std::optional<std::uint32_t> NtfsClusterSectors(std::uint8_t value) {
    std::uint32_t sectors = value;
    if (value > 0x80) {
        const unsigned shift = 256u - value;
        if (shift >= 32) return std::nullopt;
        sectors = std::uint32_t{1} << shift;
    }
    if (sectors == 0 || sectors > kLargestClusterSectors || (sectors & (sectors - 1)) != 0) return std::nullopt;
    return sectors;
}

bool IsNtfsBootSector(std::span<const std::uint8_t> sector, std::span<const std::uint8_t> parameters) {
    const ByteReader s(sector);
    const ByteReader b(parameters);
    if (!NtfsClusterSectors(s.U8(field::kSectorsPerCluster)) || s.U16(field::kBytesPerSector) != 512 ||
        !HasBootSignature(sector)) {
        return false;
    }
    if (s.U64(field::kMirrorCluster) == 0 || s.U64(field::kMftCluster) == 0 || s.U64(field::kTotalSectors) == 0) {
        return false;
    }
    // The FAT fields of the parameter block are all zero on NTFS.
    return b.U16(field::kReservedSectors) == 0 && b.U16(field::kFatSectors) == 0 && b.U16(field::kRootEntries) == 0 &&
           b.U8(field::kFatCount) == 0;
}

std::uint32_t NtfsBootSectorType(std::span<const std::uint8_t> sector) {
    return IsNtfsBootSector(sector, sector) ? kFsNtfs : kFsRaw;
}

}  // namespace tundrel
