#pragma once
// Where the exFAT boot sector keeps its fields, in bytes from the sector's start.

#include <cstddef>

namespace tundrel::exfat_boot_field {

inline constexpr std::size_t kFileSystemName = 3;
inline constexpr std::size_t kVolumeLength = 72;
inline constexpr std::size_t kFatOffset = 80;
inline constexpr std::size_t kFatLength = 84;
inline constexpr std::size_t kHeapOffset = 88;
inline constexpr std::size_t kClusterCount = 92;
inline constexpr std::size_t kRootCluster = 96;
inline constexpr std::size_t kSectorShift = 108;
inline constexpr std::size_t kClusterShift = 109;

}  // namespace tundrel::exfat_boot_field

namespace tundrel {

// The sector sizes exFAT allows, as the boot sector's shift: 512 bytes to 4 KiB.
inline constexpr unsigned kExFatSmallestSectorShift = 9;
inline constexpr unsigned kExFatLargestSectorShift = 12;

}  // namespace tundrel
