#include "disk/volume_samples.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <filesystem>
#include <limits>
#include <optional>

#include "disk/file_system_entry.h"
#include "disk/volume_info.h"
#include "platform/mounted_block_devices.h"
#include "platform/sysfs_number.h"

namespace tundrel {
namespace {

constexpr std::uint64_t kMaxSampleBytes = 4 * 1024 * 1024;

}  // namespace

std::vector<SampleRegion> SampleRegionsOf(std::uint64_t partitionStart, SectorBytes bootSector,
                                          std::uint64_t volumeSectors, FileSystemTable fileSystems) {
    std::vector<SampleRegion> regions{{partitionStart, kSampleSectors}};
    const FileSystemEntry* fileSystem = FindFileSystem(fileSystems, BootSectorType(fileSystems, bootSector));
    if (fileSystem != nullptr) fileSystem->addSampleRegions(bootSector, volumeSectors, regions);
    return regions;
}

std::u16string BuildVolumeSamples(SectorSource& volume, std::vector<SampleRegion>& regions,
                                  FileSystemTable fileSystems) {
    regions.clear();
    if (!volume.IsVolume()) return {};
    const std::optional<platform::DeviceNumber> device = platform::BlockDeviceNumberOf(volume.path);
    const std::optional<std::filesystem::path> entry = device ? platform::BlockEntryOf(*device) : std::nullopt;
    const std::optional<std::uint64_t> start =
        entry && platform::DiskEntryOf(*entry) != *entry ? platform::ReadSysfsNumber(*entry / "start") : std::nullopt;
    if (!start) return {};

    std::u16string identity = volume.serial + volume.model;
    for (char16_t& c : identity) {
        if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - u'a' + u'A');
    }
    BootSectorBytes bootSector{};
    volume.ReadSectors(bootSector, 0);
    regions = SampleRegionsOf(*start, bootSector, volume.totalSectors, fileSystems);
    return identity;
}

bool SamplesMatchDisk(std::u16string_view diskName, SectorSource& volume, const std::vector<SampleRegion>& regions,
                      const platform::DeviceOpener& opener) {
    SectorSource disk(opener);
    if (regions.empty() || !disk.Open(diskName)) return false;
    const std::atomic<std::uint32_t> never{0};
    const std::uint64_t offset = regions.front().start;
    std::vector<std::uint8_t> onVolume;
    std::vector<std::uint8_t> onDisk;
    for (std::size_t index = 0; index < regions.size(); ++index) {
        const std::uint64_t volumePosition = index == 0 ? 0 : regions[index].start;
        const std::uint64_t diskPosition = offset + volumePosition;
        const std::uint64_t length = std::uint64_t{regions[index].sectorCount} * kSectorBytes;
        constexpr std::uint64_t kLastSector = std::numeric_limits<std::uint32_t>::max();
        if (length == 0 || length > kMaxSampleBytes || diskPosition > kLastSector) return false;
        onVolume.assign(length, 0);
        onDisk.assign(length, 0);
        volume.ReadRange(onVolume, static_cast<std::uint32_t>(volumePosition), never);
        disk.ReadRange(onDisk, static_cast<std::uint32_t>(diskPosition), never);
        if (onVolume != onDisk) return false;
    }
    return true;
}

}  // namespace tundrel
