#include "ntfs/mft_layout.h"

#include "disk/volume_info.h"

namespace tundrel {
namespace {
constexpr std::uint64_t kRecordBytes = 1024;
constexpr std::uint32_t kFallbackRecordMask = 0x3FFFFF;
}  // namespace

std::uint64_t MftLayout::RecordSector(std::uint32_t record, bool direct) const {
    if (direct) return std::uint64_t{kSectorsPerRecord} * record;
    std::uint64_t recordsBefore = 0;
    for (const MftRun& run : runs) {
        const std::uint64_t recordsInRun = std::uint64_t{sectorsPerCluster} * kSectorBytes * run.clusterCount / kRecordBytes;
        if (record < recordsBefore + recordsInRun) {
            const std::uint64_t sector =
                std::uint64_t{sectorsPerCluster} * run.startCluster + kSectorsPerRecord * (record - recordsBefore);
            if (sector != 0) return sector;
            break;
        }
        recordsBefore += recordsInRun;
    }
    return std::uint64_t{sectorsPerCluster} * static_cast<std::uint32_t>(startCluster) +
           std::uint64_t{kSectorsPerRecord} * (record & kFallbackRecordMask);
}

std::uint64_t MftLayout::RecordCount() const {
    std::uint64_t count = 0;
    for (const MftRun& run : runs) count += std::uint64_t{sectorsPerCluster} * run.clusterCount / kSectorsPerRecord;
    return count;
}

}  // namespace tundrel
