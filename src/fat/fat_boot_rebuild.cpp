#include "fat/fat_boot_rebuild.h"

#include <algorithm>
#include <array>

#include "disk/bounded_read.h"
#include "fat/directory_block.h"

namespace tundrel {
namespace {

constexpr std::uint32_t kScanSectors = 30000;
constexpr std::uint32_t kPieceSectors = 128;
// A FAT starting this far in is taken for the second copy; the first lies behind the
// reserved sectors, which are never this many on a FAT16 volume and 32 on FAT32.
constexpr std::uint32_t kSecondFatFrom = 45;
constexpr std::size_t kDirectoryEntriesPerSector = kSectorBytes / kFatEntryBytes;
constexpr std::uint16_t kRootEntries = 512;

constexpr std::array<std::uint8_t, 3> kFatStart = {0xF8, 0xFF, 0xFF};
constexpr std::array<std::uint8_t, 7> kFat32Start = {0x00, 0xFF, 0xFF, 0x0F, 0xFF, 0xFF, 0xFF};

template <std::size_t N>
bool BeginsWith(std::span<const std::uint8_t> bytes, const std::array<std::uint8_t, N>& prefix) {
    return bytes.size() >= N && std::equal(prefix.begin(), prefix.end(), bytes.begin());
}

void Put16(BootSectorBytes& sector, std::size_t offset, std::uint16_t value) {
    sector[offset] = static_cast<std::uint8_t>(value);
    sector[offset + 1] = static_cast<std::uint8_t>(value >> 8);
}

void Put32(BootSectorBytes& sector, std::size_t offset, std::uint32_t value) {
    Put16(sector, offset, static_cast<std::uint16_t>(value));
    Put16(sector, offset + 2, static_cast<std::uint16_t>(value >> 16));
}

bool IsClusterSize(std::uint64_t sectorsPerCluster) {
    return sectorsPerCluster != 0 && sectorsPerCluster <= 128 && (sectorsPerCluster & (sectorsPerCluster - 1)) == 0;
}

}  // namespace

bool LooksLikeFatStart(std::span<const std::uint8_t> bytes) {
    return BeginsWith(bytes, kFatStart) || BeginsWith(bytes, kFat32Start);
}

FatPositions FindFatPositions(SectorSource& source, const VolumeInfo& record, const std::atomic<std::uint32_t>& stop) {
    FatPositions found;
    const std::uint32_t limit = std::min(kScanSectors, record.sectorCount);
    for (std::uint32_t piece = 0; piece < limit && stop.load() == 0; piece += kPieceSectors) {
        const std::uint32_t wanted = std::min(kPieceSectors, limit - piece);
        const std::vector<std::uint8_t> bytes = ReadWithin(source, std::uint64_t{record.startSector} + piece, wanted);
        const std::size_t sectors = bytes.size() / kSectorBytes;
        for (std::size_t k = 0; k < sectors; ++k) {
            const std::uint32_t index = piece + static_cast<std::uint32_t>(k);
            const std::span<const std::uint8_t> sector(bytes.data() + k * kSectorBytes, kSectorBytes);
            if (LooksLikeFatStart(sector)) {
                (index < kSecondFatFrom ? found.firstFat : found.secondFat) = index;
            } else if (found.secondFat != 0 && IsFatDirectoryBlock(sector, kDirectoryEntriesPerSector, {})) {
                found.dataStart = index;
                return found;
            }
        }
        if (sectors < wanted) break;  // the source ends here
    }
    return found;
}

std::optional<BootSectorBytes> BuildFatBootSector(const FatPositions& found, std::uint32_t fsType,
                                                  std::uint32_t sectorCount) {
    if (found.dataStart == 0 || found.secondFat == 0) return std::nullopt;
    std::uint32_t fatSize = 0;
    if (found.firstFat != 0) {
        fatSize = found.secondFat - found.firstFat;
    } else {
        fatSize = found.dataStart - found.secondFat;
        if (fatSize >= found.dataStart / 2) return std::nullopt;
    }
    if (fatSize == 0 || fatSize >= found.secondFat) return std::nullopt;

    const bool fat32 = fsType == kFsFat32;
    // Clusters the FAT can count, from the FAT's size: 2 bytes per entry, 4 on FAT32.
    const std::uint64_t clusterSlots = std::uint64_t{fatSize} * kSectorBytes / (fat32 ? 4 : 2);
    // Rounded to the nearest whole number; a result above 128 is no cluster size (cut to a
    // byte it could pass for a small one).
    const std::uint64_t sectorsPerCluster = (sectorCount + clusterSlots / 2) / clusterSlots;
    if (!IsClusterSize(sectorsPerCluster)) return std::nullopt;

    BootSectorBytes sector{};
    Put16(sector, 11, kSectorBytes);
    sector[13] = static_cast<std::uint8_t>(sectorsPerCluster);
    Put16(sector, 14, static_cast<std::uint16_t>(found.secondFat - fatSize));
    sector[16] = 2;
    Put32(sector, 32, sectorCount);
    if (fat32) {
        Put32(sector, 36, fatSize);
        Put32(sector, 44, 2);
    } else {
        Put16(sector, 22, static_cast<std::uint16_t>(fatSize));
        // The root directory of FAT12/16 has a fixed size; without it the volume is no FAT16.
        Put16(sector, 17, kRootEntries);
    }
    sector[510] = 0x55;
    sector[511] = 0xAA;
    return sector;
}

bool RebuildFatBootSector(SectorSource& source, VolumeInfo& record, const std::atomic<std::uint32_t>& stop) {
    const FatPositions found = FindFatPositions(source, record, stop);
    const std::optional<BootSectorBytes> rebuilt = BuildFatBootSector(found, record.fsType, record.sectorCount);
    if (!rebuilt) return false;
    record.bootSector = *rebuilt;
    return true;
}

}  // namespace tundrel
