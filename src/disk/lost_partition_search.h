#pragma once
// The search of a whole disk for partitions its table no longer describes: the table's own
// partitions, then a sweep of the first 136 sectors of every cylinder (255 heads of 63
// sectors) for boot sectors, their backup copies and runs of MFT records, then checks of
// what the sweep noted.

#include <atomic>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "disk/file_system_entry.h"
#include "disk/mounted_volume.h"
#include "disk/sector_source.h"
#include "disk/volume_info.h"
#include "platform/sysfs_block.h"

namespace tundrel {

// Sectors of one cylinder of the old disk geometry: partitions made by it start at one.
inline constexpr std::uint32_t kCylinderSectors = 16065;
// Sectors read at each cylinder: the sector before it, the boot sector and what follows up to
// the first FAT.
inline constexpr std::uint32_t kSweepPieceSectors = 136;

// How a running search reports: the sweep counts cylinders; the count found is shown with
// the text "%d partitions found. Please wait...".
class LostPartitionReport {
public:
    virtual ~LostPartitionReport() = default;
    virtual void SweepExtent(std::uint64_t cylinders) = 0;
    virtual void SweepPosition(std::uint64_t cylinder) = 0;
    virtual void FoundCount(std::size_t count) = 0;
};

struct LostPartitionSearch {
    // Lost partitions (not mounted) before mounted ones, each group by start; the whole disk last.
    std::vector<VolumeInfo> volumes;
    std::vector<std::string> notes;  // what the user should know of the search, one line each
};

struct LostPartitionSetting {
    std::span<const MountedVolume> mounted;             // tell the current partitions
    std::optional<platform::DeviceNumber> sourceDevice;  // the disk's device; none for an image
    LostPartitionReport* report = nullptr;
};

// Stops at the next sector when `stop` is set: what was found is still ordered and completed
// with the whole-disk row, and the after-sweep checks are left out.
LostPartitionSearch SearchLostPartitions(SectorSource& source, FileSystemTable fileSystems,
                                         const std::atomic<std::uint32_t>& stop, const LostPartitionSetting& setting);

// The sweep's boot-sector tests over sectors `first` to `first` + `count` − 1 alone (and the
// sectors after them that the tests look at): the volumes whose boot sector or FAT32 backup
// stands there, by start. For a scanner whose boot sector proves wrong.
std::vector<VolumeInfo> SweepSectorsForVolumes(SectorSource& source, FileSystemTable fileSystems,
                                               std::uint32_t first, std::uint32_t count,
                                               const std::atomic<std::uint32_t>& stop);

}  // namespace tundrel
