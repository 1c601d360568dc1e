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
#include "platform/device.h"

namespace {

using namespace tundrel;

// A disk held in memory; a read past its end fails with the rest zero-filled, as a device does.
class MemoryDisk final : public platform::Device {
public:
    explicit MemoryDisk(std::vector<std::uint8_t> bytes) : bytes_(std::move(bytes)) {}

    platform::SourceKind Kind() const override { return platform::SourceKind::Image; }

    platform::ReadStatus Read(std::span<std::uint8_t> buffer, std::uint64_t byteOffset, int& error) override {
        std::fill(buffer.begin(), buffer.end(), 0);
        if (byteOffset >= bytes_.size()) {
            error = 0;
            return platform::ReadStatus::Failed;
        }
        const std::size_t available = std::min<std::uint64_t>(buffer.size(), bytes_.size() - byteOffset);
        std::memcpy(buffer.data(), bytes_.data() + byteOffset, available);
        return available == buffer.size() ? platform::ReadStatus::Ok : platform::ReadStatus::Failed;
    }

    std::optional<platform::DeviceGeometry> Geometry() override {
        return platform::DeviceGeometry{512, bytes_.size(), 0};
    }

    platform::DeviceIdentity Identity() override { return {}; }

private:
    std::vector<std::uint8_t> bytes_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<std::uint8_t> image(data, data + size);
    SectorSource source([&image](const std::string&, int&) -> std::unique_ptr<platform::Device> {
        return std::make_unique<MemoryDisk>(image);
    });
    if (!source.Open(u"/fuzz/disk.img")) return 0;
    const std::atomic<std::uint32_t> stop{0};
    std::vector<VolumeInfo> volumes = ListSourceVolumes(source, stop);

    // Each volume against a mounted copy of itself on the same disk.
    std::vector<MountedVolume> mounted;
    for (const VolumeInfo& volume : volumes) {
        MountedVolume copy;
        copy.bootSector = volume.bootSector;
        copy.startSector = volume.startSector;
        copy.sectorCount = volume.sectorCount;
        copy.fsName = std::string(MountedFsName(volume.bootSector));
        copy.mountPoint = "/mnt";
        mounted.push_back(copy);
    }
    for (VolumeInfo& volume : volumes) AssignMountPoint(mounted, volume, source, platform::DeviceNumber{});
    return 0;
}
