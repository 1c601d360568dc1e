#pragma once
// Which mounted volume, if any, a partition found on a disk is.

#include <optional>
#include <span>

#include "disk/mounted_volume.h"
#include "disk/sector_source.h"
#include "disk/volume_info.h"
#include "platform/sysfs_block.h"

namespace tundrel {

// Partition tables and mounted sizes may disagree by this much and still be the same volume.
inline constexpr std::uint64_t kMountSizeTolerance = 10000;

// Whether `mounted`, placed at `mountedStart` on the source, is the volume of `record`: same
// start, sizes within the tolerance, same file-system name, and the same layout in both boot
// sectors (NTFS: cluster size and MFT and mirror, also swapped; FAT: cluster size, FAT size
// and FAT position; exFAT: volume length, FAT place and size, cluster count, root cluster).
bool IsMountedVolumeOf(const MountedVolume& mounted, std::uint64_t mountedStart, const VolumeInfo& record,
                       FileSystemTable fileSystems);

// Sets `record.mountPoint` from the first mounted volume that is this partition. Only volumes
// on the source's own disk (`sourceDevice`), or the source device itself, are considered:
// a partition of another disk that starts at the same sector is another volume. Reads the
// record's boot sector first unless `bootValid` vouches for it.
void AssignMountPoint(std::span<const MountedVolume> mounted, VolumeInfo& record, SectorSource& source,
                      std::optional<platform::DeviceNumber> sourceDevice, FileSystemTable fileSystems);

}  // namespace tundrel
