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
