#include "ntfs/ntfs_boot_backup.h"

#include <algorithm>

#include "disk/boot_sector.h"
#include "disk/bounded_read.h"
#include "ntfs/ntfs_boot_record.h"
#include "ntfs/ntfs_boot_sector.h"

namespace tundrel {
namespace {

constexpr std::uint64_t kSectorsBeforeEnd = 33;
constexpr std::uint32_t kSearchSectors = 128;

}  // namespace

bool RecoverNtfsBootSector(SectorSource& source, VolumeInfo& record) {
    const std::uint64_t end = std::uint64_t{record.startSector} + record.sectorCount;
    // A partition shorter than the back-off is searched from its own start.
    const std::uint64_t first = std::max<std::uint64_t>(record.startSector, end - std::min(end, kSectorsBeforeEnd));
    const std::vector<std::uint8_t> window = ReadWithin(source, first, kSearchSectors);
    for (std::size_t offset = 0; offset + kSectorBytes <= window.size(); offset += kSectorBytes) {
        const SectorBytes candidate(window.data() + offset, kSectorBytes);
        if (!IsNtfsBootSector(candidate, candidate)) continue;
        const std::uint64_t position = first + offset / kSectorBytes;
        // The sector count is read whole: one beyond 32 bits never names this place.
        const std::uint64_t volumeSectors = ReadNtfsBootRecord(candidate).totalSectors;
        if ((volumeSectors >> 32) != 0 || std::uint64_t{record.startSector} + volumeSectors != position) continue;
        std::copy(candidate.begin(), candidate.end(), record.bootSector.begin());
        return true;
    }
    return false;
}

}  // namespace tundrel
