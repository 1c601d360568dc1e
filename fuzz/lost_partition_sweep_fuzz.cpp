// The lost-partition search over any disk image. The input's first byte picks the cylinder
// whose swept piece the rest of the input lands in (0: the disk's first sectors); the disk
// ends a cylinder after it, so the after-sweep checks read around it too. The narrow sweep
// the FAT scanner's retry uses runs over the same bytes.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "disk/lost_partition_search.h"
#include "disk/sector_source.h"
#include "memory_device.h"
#include "modes/all_scanners.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tundrel;
    if (size < 1) return 0;
    const std::uint64_t cylinder = data[0] % 4;
    const std::uint64_t firstSector = cylinder == 0 ? 0 : cylinder * kCylinderSectors - 1;
    const std::vector<std::uint8_t> image(data + 1, data + size);
    const std::uint64_t totalBytes = (firstSector + kCylinderSectors) * 512 + image.size();
    SectorSource source([&](const std::string&, int&) -> std::unique_ptr<platform::Device> {
        return std::make_unique<test::MemoryDevice>(image, firstSector * 512, totalBytes);
    });
    if (!source.Open(u"/fuzz/lost.img")) return 0;
    const std::atomic<std::uint32_t> stop{0};
    SearchLostPartitions(source, AllFileSystems(), stop, {});
    SweepSectorsForVolumes(source, AllFileSystems(), static_cast<std::uint32_t>(firstSector), 60, stop);
    return 0;
}
