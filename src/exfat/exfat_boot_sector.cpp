#include "exfat/exfat_boot_sector.h"

#include <algorithm>
#include <string_view>

#include "disk/boot_sector.h"
#include "disk/fs_type.h"
#include "exfat/exfat_boot_fields.h"
#include "support/byte_reader.h"

namespace tundrel {
namespace {

constexpr std::string_view kFileSystemName = "EXFAT";
constexpr unsigned kLargestClusterShift = 25;  // 32 MiB clusters: sector shift plus cluster shift

}  // namespace

bool IsExFatBootSector(std::span<const std::uint8_t> sector) {
    const ByteReader s(sector);
    const auto name = s.Bytes(exfat_boot_field::kFileSystemName, kFileSystemName.size());
    if (name.empty() || !std::equal(name.begin(), name.end(), kFileSystemName.begin())) return false;
    using namespace exfat_boot_field;
    for (std::size_t offset : {kFatOffset, kFatLength, kHeapOffset, kClusterCount, kRootCluster}) {
        if (s.U32(offset) == 0) return false;
    }
    if (s.U64(kVolumeLength) == 0) return false;
    const unsigned sectorShift = s.U8(kSectorShift);
    const unsigned clusterShift = s.U8(kClusterShift);
    // A cluster of one sector (shift 0) is valid: mkfs.exfat -c 512 writes it.
    if (sectorShift < kExFatSmallestSectorShift || sectorShift > kExFatLargestSectorShift) return false;
    if (sectorShift + clusterShift > kLargestClusterShift) return false;
    return HasBootSignature(sector);
}

std::uint32_t ExFatBootSectorType(std::span<const std::uint8_t> sector) {
    return IsExFatBootSector(sector) ? kFsExFat : kFsRaw;
}

}  // namespace tundrel
