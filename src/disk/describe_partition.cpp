#include "disk/describe_partition.h"

#include "disk/boot_sector.h"
#include "disk/bounded_read.h"
#include "fat/fat_boot_rebuild.h"
#include "ntfs/ntfs_boot_backup.h"
#include "disk/volume_facts.h"

namespace tundrel {
namespace {

constexpr std::uint32_t kFat32BackupOffset = 6;

bool PassesFatTest(const BootSectorBytes& sector) { return IsFatBootSector(sector, sector); }

void DescribeNtfs(SectorSource& source, VolumeInfo& record) {
    if (!IsNtfsBootSector(record.bootSector, record.bootSector)) RecoverNtfsBootSector(source, record);
    if (!IsNtfsBootSector(record.bootSector, record.bootSector)) return;
    record.bootValid = true;
    ReadNtfsVolumeFacts(source, record);
}

void DescribeFat(SectorSource& source, VolumeInfo& record, const std::atomic<std::uint32_t>& stop,
                 std::string_view codePage) {
    if (!PassesFatTest(record.bootSector) && record.fsType == kFsFat32) {
        BootSectorBytes backup{};
        ReadSectorWithin(source, std::uint64_t{record.startSector} + kFat32BackupOffset, backup);
        if (PassesFatTest(backup)) record.bootSector = backup;
    }
    if (!PassesFatTest(record.bootSector)) RebuildFatBootSector(source, record, stop);
    if (!PassesFatTest(record.bootSector)) return;
    record.bootValid = true;
    ReadFatVolumeFacts(source, record, codePage);
}

void DescribeExFat(SectorSource& source, VolumeInfo& record) {
    if (!IsExFatBootSector(record.bootSector)) return;
    record.bootValid = true;
    ReadExFatVolumeFacts(source, record);
}

}  // namespace

void DescribePartition(SectorSource& source, VolumeInfo& record, const std::atomic<std::uint32_t>& stop,
                       std::string_view labelCodePage) {
    record.label.clear();
    if (!record.bootValid) ReadSectorWithin(source, record.startSector, record.bootSector);
    switch (record.fsType) {
        case kFsNtfs: DescribeNtfs(source, record); break;
        case kFsFat16:
        case kFsFat32: DescribeFat(source, record, stop, labelCodePage); break;
        case kFsExFat: DescribeExFat(source, record); break;
        default: break;
    }
}

}  // namespace tundrel
