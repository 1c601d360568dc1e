#include "disk/fs_type.h"

namespace tundrel {

std::string_view TypeName(std::uint32_t fsType) {
    switch (fsType) {
        case kFsRaw: return "RAW";
        case kFsFat16: return "FAT16";
        case kFsFat32: return "FAT32";
        case kFsNtfs: return "NTFS";
        case kFsExFat: return "exFAT";
        default: return {};
    }
}

std::string_view SystemTypeName(std::uint32_t fsType) { return fsType == kFsFat16 ? "FAT" : TypeName(fsType); }

}  // namespace tundrel
