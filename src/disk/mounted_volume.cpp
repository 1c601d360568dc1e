#include "disk/mounted_volume.h"

#include "disk/sector_source.h"
#include "disk/fs_type.h"
#include "support/text.h"

namespace tundrel {

std::string_view MountedFsName(FileSystemTable fileSystems, SectorBytes bootSector) {
    const std::uint32_t fsType = BootSectorType(fileSystems, bootSector);
    return fsType == kFsRaw ? std::string_view{} : SystemTypeName(fsType);
}

std::vector<MountedVolume> MountedVolumesFrom(const std::vector<platform::MountedBlockDevice>& devices,
                                              FileSystemTable fileSystems, const platform::DeviceOpener& opener) {
    std::vector<MountedVolume> volumes;
    for (const platform::MountedBlockDevice& device : devices) {
        SectorSource source(opener);
        if (!source.Open(ToUtf16(device.devicePath))) continue;
        MountedVolume volume;
        if (!source.ReadSectors(volume.bootSector, 0)) continue;
        volume.fsName = MountedFsName(fileSystems, volume.bootSector);
        if (volume.fsName.empty()) continue;
        volume.startSector = device.startSector;
        volume.sectorCount = device.sectorCount;
        volume.mountPoint = device.mountPoint;
        volume.device = device.device;
        volume.disk = device.disk;
        volumes.push_back(std::move(volume));
    }
    return volumes;
}

std::vector<MountedVolume> ListMountedVolumes(FileSystemTable fileSystems, const platform::DeviceOpener& opener) {
    return MountedVolumesFrom(platform::ListMountedBlockDevices(), fileSystems, opener);
}

SourceMounts MountsOfSource(const std::string& sourcePath, FileSystemTable fileSystems) {
    SourceMounts mounts;
    mounts.device = platform::BlockDeviceNumberOf(sourcePath);
    if (mounts.device) mounts.mounted = ListMountedVolumes(fileSystems);
    return mounts;
}

}  // namespace tundrel
