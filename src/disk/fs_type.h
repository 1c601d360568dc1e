#pragma once
// File-system type codes, shared by partitions, scanners and stored scan results.

#include <cstdint>
#include <string_view>

namespace tundrel {

enum FsType : std::uint32_t {
    kFsRaw = 0,
    kFsFat16 = 1,  // FAT12 volumes are read like FAT16
    kFsFat32 = 2,
    kFsNtfs = 3,
    kFsExFat = 4,
};

// "RAW", "FAT16", "FAT32", "NTFS", "exFAT"; empty for any other code.
std::string_view TypeName(std::uint32_t fsType);

// The name the system gives a mounted volume of the type: FAT12/16 volumes are plain "FAT".
std::string_view SystemTypeName(std::uint32_t fsType);

}  // namespace tundrel
