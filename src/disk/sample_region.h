#pragma once
// A run of sectors read from a volume and from a disk to tell whether the volume lies there.

#include <cstdint>

namespace tundrel {

inline constexpr std::uint32_t kSampleSectors = 128;

struct SampleRegion {
    std::uint64_t start = 0;  // region 0: the volume's first sector on its disk; the others: volume-relative
    std::uint32_t sectorCount = kSampleSectors;
};

}  // namespace tundrel
