// The free areas of a small volume held in memory, read from its allocation data (NTFS
// $Bitmap, exFAT allocation bitmap or FAT) as the free-area scan reads them. The first byte
// picks the volume's start sector on the disk that follows it. The areas must be sorted, apart,
// and inside the volume.

#include <cstddef>
#include <cstdint>
#include <memory>

#include "disk/sector_source.h"
#include "memory_device.h"
#include "modes/all_scanners.h"
#include "modes/free_areas.h"

using namespace tundrel;
using tundrel::test::MemoryDevice;

namespace {
constexpr std::size_t kLargestFreeAreasDisk = 2 * 1024 * 1024;
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2 || size > kLargestFreeAreasDisk) return 0;
    const std::uint64_t volumeStart = data[0] & 7;
    const std::span<const std::uint8_t> disk(data + 1, size - 1);
    SectorSource source([disk](const std::string&, int&) -> std::unique_ptr<platform::Device> {
        return std::make_unique<MemoryDevice>(disk);
    });
    if (!source.Open(u"/fuzz/volume.img")) return 0;
    const std::uint64_t volumeSectors = source.totalSectors > volumeStart ? source.totalSectors - volumeStart : 0;
    const FreeAreas found = FindFreeAreas(source, volumeStart, volumeSectors, AllFileSystems());
    std::uint64_t end = volumeStart;
    for (const SectorArea& area : found.areas) {
        if (area.sectors == 0 || area.start < end || (area.start == end && end != volumeStart)) __builtin_trap();
        end = area.End();
    }
    if (end > volumeStart + volumeSectors) __builtin_trap();
    return 0;
}
