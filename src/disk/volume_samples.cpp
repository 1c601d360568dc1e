#include "disk/volume_samples.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <filesystem>
#include <limits>
#include <optional>

#include "disk/volume_info.h"
#include "platform/mounted_block_devices.h"
#include "platform/sysfs_number.h"
#include "support/byte_reader.h"

namespace tundrel {
namespace {

constexpr std::uint64_t kMaxSampleBytes = 4 * 1024 * 1024;

std::optional<std::uint64_t> ExFatRootDirectorySector(const ByteReader& boot, std::uint64_t volumeSectors) {
    const unsigned bytesPerSectorShift = boot.U8(108);
    const unsigned clusterShift = boot.U8(109);
    if (bytesPerSectorShift > 12 || clusterShift > 25) return std::nullopt;
    const std::uint64_t ratio = std::max<std::uint64_t>(1, (std::uint64_t{1} << bytesPerSectorShift) / 512);
    const std::uint64_t sectorsPerCluster = (std::uint64_t{1} << clusterShift) * ratio;
    const std::uint64_t rootCluster = boot.U32(96);
    if (!std::has_single_bit(sectorsPerCluster) || rootCluster < 2) return std::nullopt;
    const std::uint64_t sector = (rootCluster - 2) * sectorsPerCluster + std::uint64_t{boot.U32(88)} * ratio;
    // Only a length that fits in 32 bits bounds the result; a longer one bounds nothing here.
    if ((volumeSectors >> 32) == 0 && sector >= volumeSectors) return std::nullopt;
    if (sector == 0) return std::nullopt;
    return sector;
}

}  // namespace

std::vector<SampleRegion> SampleRegionsOf(std::uint64_t partitionStart, SectorBytes bootSector,
                                          std::uint64_t volumeSectors) {
    std::vector<SampleRegion> regions{{partitionStart, kSampleSectors}};
    const ByteReader boot(bootSector);
    if (IsNtfsBootSector(bootSector, bootSector)) {
        regions.push_back({std::uint64_t{NtfsClusterSectors(boot.U8(13)).value_or(0)} * boot.U64(48), kSampleSectors});
    } else if (IsFatBootSector(bootSector, bootSector)) {
        const std::uint64_t reserved = boot.U16(14);
        const bool fat32Size = boot.U16(17) == 0 && boot.U32(36) != 0;
        const std::uint64_t fatSize = fat32Size ? boot.U32(36) : boot.U16(22);
        regions.push_back({reserved + fatSize, kSampleSectors});
        regions.push_back({reserved + boot.U8(16) * fatSize, kSampleSectors});
    } else if (IsExFatBootSector(bootSector)) {
        if (const auto root = ExFatRootDirectorySector(boot, volumeSectors)) regions.push_back({*root, kSampleSectors});
    }
    return regions;
}

std::u16string BuildVolumeSamples(SectorSource& volume, std::vector<SampleRegion>& regions) {
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
    regions = SampleRegionsOf(*start, bootSector, volume.totalSectors);
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
