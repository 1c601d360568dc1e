#include "modes/volume_label.h"

#include <atomic>

#include "disk/describe_partition.h"
#include "modes/all_scanners.h"
#include "scan/volume_scanner.h"
#include "support/text.h"

namespace tundrel {

std::string VolumeLabelOf(VolumeScanner& scanner) {
    VolumeInfo record;
    record.startSector = scanner.volumeStart;
    record.sectorCount = scanner.volumeSectors;
    record.fsType = scanner.fsType;
    record.bootSector = scanner.bootSector;
    record.bootValid = scanner.bootLoaded;
    const std::atomic<std::uint32_t> never{0};
    DescribePartition(*scanner.source, record, never, AllFileSystems());
    return ToUtf8(record.label);
}

}  // namespace tundrel
