#include "disk/partition_list.h"

#include <algorithm>

#include "disk/boot_sector.h"
#include "disk/bounded_read.h"
#include "disk/describe_partition.h"
#include "disk/partition_table.h"

namespace tundrel {

std::vector<VolumeInfo> ListPartitions(SectorSource& source, const std::atomic<std::uint32_t>& stop,
                                       FileSystemTable fileSystems, std::vector<std::string>* notes) {
    BootSectorBytes table{};
    if (!ReadSectorWithin(source, 0, table)) return {};
    PartitionWalk walk(source, stop, fileSystems);
    walk.tablesRead.insert(0);
    WalkPartitionTable(walk, table, 0, 0, 0);
    if (notes != nullptr) notes->insert(notes->end(), walk.notes.begin(), walk.notes.end());
    for (VolumeInfo& record : walk.records) {
        if (stop.load() != 0) break;
        if (!record.beyond2TiB) DescribePartition(source, record, stop, fileSystems);
    }
    return std::move(walk.records);
}

std::vector<VolumeInfo> ListSourceVolumes(SectorSource& source, const std::atomic<std::uint32_t>& stop,
                                          FileSystemTable fileSystems, std::vector<std::string>* notes) {
    VolumeInfo whole;
    if (!ReadSectorWithin(source, 0, whole.bootSector)) return {};
    whole.fsType = BootSectorType(fileSystems, whole.bootSector);
    if (whole.fsType == kFsRaw) return ListPartitions(source, stop, fileSystems, notes);
    whole.sectorCount = static_cast<std::uint32_t>(std::min<std::uint64_t>(source.totalSectors, UINT32_MAX));
    whole.diskSectors = source.totalSectors;
    whole.diskName = source.name;
    whole.bootValid = true;
    DescribePartition(source, whole, stop, fileSystems);
    return {whole};
}

}  // namespace tundrel
