// Partition tables, boot sectors and the volume facts behind them, from any disk image.
// The input is the image itself: a few sectors with an MBR, EBRs and boot sectors.

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "disk/mount_matching.h"
#include "disk/partition_list.h"
#include "disk/sector_source.h"
#include "memory_device.h"
#include "modes/all_scanners.h"
#include "platform/device.h"

namespace {

using namespace tundrel;
using tundrel::test::MemoryDevice;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<std::uint8_t> image(data, data + size);
    SectorSource source([&image](const std::string&, int&) -> std::unique_ptr<platform::Device> {
        return std::make_unique<MemoryDevice>(image);
    });
    if (!source.Open(u"/fuzz/disk.img")) return 0;
    const std::atomic<std::uint32_t> stop{0};
    std::vector<VolumeInfo> volumes = ListSourceVolumes(source, stop, AllFileSystems());

    // Each volume against a mounted copy of itself on the same disk.
    std::vector<MountedVolume> mounted;
    for (const VolumeInfo& volume : volumes) {
        MountedVolume copy;
        copy.bootSector = volume.bootSector;
        copy.startSector = volume.startSector;
        copy.sectorCount = volume.sectorCount;
        copy.fsName = std::string(MountedFsName(AllFileSystems(), volume.bootSector));
        copy.mountPoint = "/mnt";
        mounted.push_back(copy);
    }
    for (VolumeInfo& volume : volumes) AssignMountPoint(mounted, volume, source, platform::DeviceNumber{}, AllFileSystems());
    return 0;
}
