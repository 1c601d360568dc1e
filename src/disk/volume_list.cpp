#include "disk/volume_list.h"

#include <atomic>

#include "disk/boot_sector.h"
#include "disk/describe_partition.h"
#include "disk/fs_type.h"
#include "disk/mounted_volume.h"
#include "disk/sector_source.h"
#include "platform/mount_info.h"
#include "platform/mounted_block_devices.h"
#include "platform/volume_devices.h"
#include "support/display_format.h"
#include "support/text.h"

namespace tundrel {
namespace {

constexpr std::size_t kMaxLabelLength = 64;
constexpr std::size_t kMaxFsNameLength = 32;

const platform::MountInfoEntry* MountOf(const std::vector<platform::MountInfoEntry>& mounts,
                                        platform::DeviceNumber device) {
    for (const platform::MountInfoEntry& mount : mounts) {
        if (platform::SameDevice(mount.device, device)) return &mount;
    }
    return nullptr;
}

std::string LabelOf(SectorSource& source, const BootSectorBytes& bootSector, FileSystemTable fileSystems) {
    VolumeInfo record;
    record.bootSector = bootSector;
    record.bootValid = true;
    record.fsType = BootSectorType(fileSystems, bootSector);
    record.sectorCount = static_cast<std::uint32_t>(source.totalSectors);
    const std::atomic<std::uint32_t> never{0};
    DescribePartition(source, record, never, fileSystems);
    return ToUtf8(std::u16string_view(record.label).substr(0, kMaxLabelLength));
}

std::optional<VolumeRow> DescribeVolume(const platform::VolumeDevice& device,
                                        const std::vector<platform::MountInfoEntry>& mounts,
                                        FileSystemTable fileSystems, const platform::DeviceOpener& opener) {
    SectorSource source(opener);
    if (!source.Open(ToUtf16(device.devicePath)) || source.totalSectors == 0) return std::nullopt;
    BootSectorBytes bootSector{};
    source.ReadSectors(bootSector, 0);
    VolumeRow row;
    row.fsName = MountedFsName(fileSystems, bootSector);
    if (device.wholeDisk && row.fsName.empty()) return std::nullopt;
    const platform::MountInfoEntry* mount = MountOf(mounts, device.number);
    if (mount != nullptr) row.mountPoint = mount->mountPoint;
    if (row.fsName.empty()) {
        if (mount != nullptr) row.fsName = mount->fsType.substr(0, kMaxFsNameLength);
    } else {
        row.label = LabelOf(source, bootSector, fileSystems);
    }
    row.sourceName = device.kernelName;
    row.devicePath = device.devicePath;
    row.totalSectors = source.totalSectors;
    row.sizeText = FormatSize(source.totalSectors * kSectorBytes);
    return row;
}

}  // namespace

std::vector<VolumeRow> ListVolumes(FileSystemTable fileSystems, const platform::DeviceOpener& opener) {
    const std::vector<platform::MountInfoEntry> mounts = platform::ReadMountInfo();
    std::vector<VolumeRow> rows;
    for (const platform::VolumeDevice& device : platform::ListVolumeDevices()) {
        if (auto row = DescribeVolume(device, mounts, fileSystems, opener)) rows.push_back(std::move(*row));
    }
    return rows;
}

std::vector<VolumeChoice> ListVolumeChoices(FileSystemTable fileSystems, const platform::DeviceOpener& opener) {
    std::vector<VolumeChoice> choices;
    for (VolumeRow& row : ListVolumes(fileSystems, opener)) {
        const bool ntfs = row.fsName == "NTFS";
        choices.push_back({std::move(row), ntfs});
    }
    return choices;
}

std::optional<ImageRow> ImageRowOf(const std::string& path, const platform::DeviceOpener& opener) {
    // A bare file name would be taken for a device name below /dev.
    const std::string openable = path.find('/') == std::string::npos ? "./" + path : path;
    SectorSource source(opener);
    if (!source.Open(ToUtf16(openable)) || source.totalSectors == 0) return std::nullopt;
    ImageRow row;
    row.sourceName = path;
    const std::size_t slash = path.find_last_of('/');
    row.displayText = slash == std::string::npos ? path : path.substr(slash + 1);
    row.totalSectors = source.totalSectors;
    row.sizeText = FormatSize(source.totalSectors * kSectorBytes);
    return row;
}

VolumeType VolumeTypeOf(std::string_view sourceName, FileSystemTable fileSystems, const platform::DeviceOpener& opener) {
    SectorSource source(opener);
    VolumeType type;
    if (!source.Open(ToUtf16(sourceName))) return type;
    type.sectorCount = static_cast<std::uint32_t>(source.totalSectors);
    BootSectorBytes bootSector{};
    if (!source.ReadSectors(bootSector, 0)) return type;
    type.fsType = BootSectorType(fileSystems, bootSector);
    return type;
}

}  // namespace tundrel
