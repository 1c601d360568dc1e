#include "disk/describe_partition.h"

#include "disk/bounded_read.h"
#include "disk/file_system_entry.h"

namespace tundrel {

void DescribePartition(SectorSource& source, VolumeInfo& record, const std::atomic<std::uint32_t>& stop,
                       FileSystemTable fileSystems, std::string_view labelCodePage) {
    record.label.clear();
    if (!record.bootValid) ReadSectorWithin(source, record.startSector, record.bootSector);
    const FileSystemEntry* fileSystem = FindFileSystem(fileSystems, record.fsType);
    if (fileSystem == nullptr) return;
    const auto passes = [&] { return fileSystem->recognize(record.bootSector) != kFsRaw; };
    if (!passes() && fileSystem->repairBootSector != nullptr) fileSystem->repairBootSector(source, record, stop);
    if (!passes()) return;
    record.bootValid = true;
    fileSystem->readVolumeFacts(source, record, labelCodePage);
}

}  // namespace tundrel
