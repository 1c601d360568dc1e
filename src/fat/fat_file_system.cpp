#include "fat/fat_file_system.h"

#include "disk/bounded_read.h"
#include "fat/fat_boot_parameters.h"
#include "fat/fat_boot_rebuild.h"
#include "fat/fat_boot_sector.h"
#include "fat/fat_geometry_search.h"
#include "fat/directory_block.h"
#include "fat/fat_scanner.h"
#include "fat/fat_volume_facts.h"
#include "scan/volume_scanner.h"

namespace tundrel {
namespace {

// FAT32 keeps a copy of its boot sector six sectors in.
constexpr std::uint32_t kFat32BackupOffset = 6;

bool PassesTest(SectorBytes sector) { return IsFatBootSector(sector, sector); }

bool RepairFatBootSector(SectorSource& source, VolumeInfo& record, const std::atomic<std::uint32_t>& stop) {
    if (record.fsType == kFsFat32) {
        BootSectorBytes backup{};
        ReadSectorWithin(source, std::uint64_t{record.startSector} + kFat32BackupOffset, backup);
        if (PassesTest(backup)) {
            record.bootSector = backup;
            return true;
        }
    }
    return RebuildFatBootSector(source, record, stop) && PassesTest(record.bootSector);
}

// Sectors of one FAT copy.
std::uint64_t FatArea(const FatBootParameters& boot) {
    return boot.fatSectors16 != 0 ? boot.fatSectors16 : boot.fatSectors32;
}

bool SameFatLayout(SectorBytes a, SectorBytes b) {
    const FatBootParameters first = FatBootParameters::Parse(a);
    const FatBootParameters second = FatBootParameters::Parse(b);
    return first.sectorsPerCluster == second.sectorsPerCluster && FatArea(first) == FatArea(second) &&
           first.reservedSectors + FatArea(first) == second.reservedSectors + FatArea(second);
}

// The second FAT and the end of the FATs.
void AddFatSampleRegions(SectorBytes bootSector, std::uint64_t, std::vector<SampleRegion>& regions) {
    const FatBootParameters boot = FatBootParameters::Parse(bootSector);
    regions.push_back({boot.reservedSectors + FatArea(boot), kSampleSectors});
    regions.push_back({boot.reservedSectors + boot.fatCount * FatArea(boot), kSampleSectors});
}

bool HoldsFatDirectoryBlock(std::span<const std::uint8_t> block) {
    return IsFatDirectoryBlock(block, block.size() / kFatEntryBytes, {});
}

}  // namespace

const FileSystemEntry kFatFileSystem{
    .fsTypes = {kFsFat16, kFsFat32},
    .recognize = &FatBootSectorType,
    .repairBootSector = &RepairFatBootSector,
    .readVolumeFacts = &ReadFatVolumeFacts,
    .sameLayout = &SameFatLayout,
    .addSampleRegions = &AddFatSampleRegions,
    .makeScanner = &MakeFatScanner,
    .startsTable = &LooksLikeFatStart,
    .searchGeometry = &SearchFatGeometry,
    .holdsDirectoryBlock = &HoldsFatDirectoryBlock,
};

}  // namespace tundrel
