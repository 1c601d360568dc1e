#pragma once
// The volumes the system has mounted, for telling which partitions of a disk are in use and
// where.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "disk/boot_sector.h"
#include "disk/volume_info.h"
#include "platform/device.h"
#include "platform/mounted_block_devices.h"

namespace tundrel {

struct MountedVolume {
    BootSectorBytes bootSector{};   // sector 0, read through the partition's own device
    std::uint64_t startSector = 0;  // on its disk
    std::uint64_t sectorCount = 0;
    std::string fsName;             // "NTFS", "FAT" (FAT12/16), "FAT32" or "exFAT"
    std::string mountPoint;
    platform::DeviceNumber device;  // the mounted device
    platform::DeviceNumber disk;    // the disk that holds it (the device itself when no partition)
};

// The file-system name a boot sector announces, in the system's words; empty when it passes
// none of the tests. The mount table cannot tell: FUSE mounts all say "fuseblk".
std::string_view MountedFsName(FileSystemTable fileSystems, SectorBytes bootSector);

// Every mounted NTFS, FAT, FAT32 or exFAT volume of the machine. Devices are opened through
// `opener`, read-only; one that cannot be opened or whose boot sector passes no test is left out.
std::vector<MountedVolume> ListMountedVolumes(FileSystemTable fileSystems,
                                              const platform::DeviceOpener& opener = platform::OpenDevice);

// What tells which partitions of a source are in use: its block device and the volumes mounted
// now. An image file has neither, as the system cannot have mounted it.
struct SourceMounts {
    std::optional<platform::DeviceNumber> device;
    std::vector<MountedVolume> mounted;
};
SourceMounts MountsOfSource(const std::string& sourcePath, FileSystemTable fileSystems);

std::vector<MountedVolume> MountedVolumesFrom(const std::vector<platform::MountedBlockDevice>& devices,
                                              FileSystemTable fileSystems, const platform::DeviceOpener& opener);

}  // namespace tundrel
