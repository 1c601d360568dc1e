#include "ntfs/ntfs_boot_record.h"

#include "disk/boot_sector.h"
#include "ntfs/ntfs_boot_sector.h"
#include "support/byte_reader.h"

namespace tundrel {
namespace {
constexpr std::size_t kBytesPerSectorField = 0x0B;
constexpr std::size_t kSectorsPerClusterField = 0x0D;
constexpr std::size_t kTotalSectorsField = 0x28;
constexpr std::size_t kMftClusterField = 0x30;
constexpr std::size_t kMirrorClusterField = 0x38;
}  // namespace

NtfsBootRecord ReadNtfsBootRecord(std::span<const std::uint8_t> sector) {
    const ByteReader reader(sector);
    return {reader.U16(kBytesPerSectorField), reader.U8(kSectorsPerClusterField), reader.U64(kTotalSectorsField),
            reader.U64(kMftClusterField), reader.U64(kMirrorClusterField)};
}

bool IsUsable(const NtfsBootRecord& boot) {
    return boot.bytesPerSector == 512 && NtfsClusterSectors(boot.sectorsPerCluster) &&
           (boot.mftCluster != 0 || boot.mirrorCluster != 0);
}

bool IsAcceptedBackupBootRecord(std::span<const std::uint8_t> sector, std::uint32_t volumeSectors) {
    const ByteReader reader(sector);
    if (reader.U8(510) != 0x55 || reader.U8(511) != 0xAA) return false;
    const std::uint64_t total = reader.U64(kTotalSectorsField);
    if ((total >> 32) != 0 || total + 1 != volumeSectors) return false;
    return IsNtfsBootSector(sector, sector);
}

}  // namespace tundrel
