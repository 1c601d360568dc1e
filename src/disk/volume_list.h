#pragma once
// The volumes and image files offered as sources, and the file-system type of a volume.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "disk/boot_sector.h"
#include "platform/device.h"

namespace tundrel {

struct VolumeRow {
    std::string sourceName;   // "sdb1": what a scan is given
    std::string devicePath;   // "/dev/sdb1"
    std::string mountPoint;   // where the system shows it; empty when it is not mounted
    std::string label;        // at most 64 characters
    std::string fsName;       // "NTFS", "FAT", "FAT32", "exFAT", the mount table's name of any other, or empty
    std::uint64_t totalSectors = 0;
    std::string sizeText;
};

// A volume row with the choice of also scanning the area outside its file system, preset for
// NTFS volumes.
struct VolumeChoice {
    VolumeRow row;
    bool scanRemainingArea = false;
};

struct ImageRow {
    std::string sourceName;   // the path as given
    std::string displayText;  // the file name
    std::uint64_t totalSectors = 0;
    std::string sizeText;
};

// Every partition and other volume device that opens and has sectors, in kernel name order.
// A disk without partitions is a volume only when it carries NTFS, FAT or exFAT itself.
std::vector<VolumeRow> ListVolumes(FileSystemTable fileSystems,
                                   const platform::DeviceOpener& opener = platform::OpenDevice);
std::vector<VolumeChoice> ListVolumeChoices(FileSystemTable fileSystems,
                                             const platform::DeviceOpener& opener = platform::OpenDevice);

// The row of an image file; nothing when it does not open or is empty.
std::optional<ImageRow> ImageRowOf(const std::string& path, const platform::DeviceOpener& opener = platform::OpenDevice);

struct VolumeType {
    std::uint32_t fsType = 0;       // FsType code; RAW for any file system the engine does not read
    std::uint32_t sectorCount = 0;  // low 32 bits; 0 when the volume does not open
};

VolumeType VolumeTypeOf(std::string_view sourceName, FileSystemTable fileSystems,
                        const platform::DeviceOpener& opener = platform::OpenDevice);

}  // namespace tundrel
