#include "ntfs/ntfs_file_system.h"

#include "ntfs/ntfs_boot_backup.h"
#include "ntfs/ntfs_boot_record.h"
#include "ntfs/ntfs_boot_sector.h"
#include "ntfs/ntfs_lost_volume.h"
#include "ntfs/ntfs_scanner.h"
#include "ntfs/ntfs_volume_facts.h"
#include "scan/volume_scanner.h"

namespace tundrel {
namespace {

bool Repair(SectorSource& source, VolumeInfo& record, const std::atomic<std::uint32_t>&) {
    return RecoverNtfsBootSector(source, record);
}

void ReadFacts(SectorSource& source, VolumeInfo& record, std::string_view) { ReadNtfsVolumeFacts(source, record); }

// Same cluster size, and the same MFT and mirror places (a volume whose copies were swapped
// by a repair counts as the same).
bool SameNtfsLayout(SectorBytes a, SectorBytes b) {
    const NtfsBootRecord first = ReadNtfsBootRecord(a);
    const NtfsBootRecord second = ReadNtfsBootRecord(b);
    if (first.sectorsPerCluster != second.sectorsPerCluster) return false;
    return (first.mftCluster == second.mftCluster && first.mirrorCluster == second.mirrorCluster) ||
           (first.mftCluster == second.mirrorCluster && first.mirrorCluster == second.mftCluster);
}

// The start of the MFT.
void AddNtfsSampleRegions(SectorBytes bootSector, std::uint64_t, std::vector<SampleRegion>& regions) {
    const NtfsBootRecord boot = ReadNtfsBootRecord(bootSector);
    const auto clusterSectors = NtfsClusterSectors(boot.sectorsPerCluster);
    if (!clusterSectors || (boot.mftCluster >> 32) != 0) return;
    regions.push_back({*clusterSectors * boot.mftCluster, kSampleSectors});
}

}  // namespace

const FileSystemEntry kNtfsFileSystem{
    .fsTypes = {kFsNtfs, kFsRaw},
    .recognize = &NtfsBootSectorType,
    .repairBootSector = &Repair,
    .readVolumeFacts = &ReadFacts,
    .sameLayout = &SameNtfsLayout,
    .addSampleRegions = &AddNtfsSampleRegions,
    .makeScanner = &MakeNtfsScanner,
    .mftPlacement = &NtfsMftPlacement,
    .holdsOwnMftRecord = &HoldsOwnMftRecord,
    .volumeFromMft = &NtfsVolumeFromMft,
};

}  // namespace tundrel
