#include "disk/mounted_volume.h"

#include "disk/sector_source.h"
#include "support/byte_reader.h"
#include "support/text.h"

namespace tundrel {

std::string_view MountedFsName(SectorBytes bootSector) {
    if (IsNtfsBootSector(bootSector, bootSector)) return "NTFS";
    if (IsExFatBootSector(bootSector)) return "exFAT";
    if (IsFatBootSector(bootSector, bootSector)) return ByteReader(bootSector).U16(22) == 0 ? "FAT32" : "FAT";
    return {};
}

std::vector<MountedVolume> MountedVolumesFrom(const std::vector<platform::MountedBlockDevice>& devices,
                                              const platform::DeviceOpener& opener) {
    std::vector<MountedVolume> volumes;
    for (const platform::MountedBlockDevice& device : devices) {
        SectorSource source(opener);
        if (!source.Open(ToUtf16(device.devicePath))) continue;
        MountedVolume volume;
        if (!source.ReadSectors(volume.bootSector, 0)) continue;
        volume.fsName = MountedFsName(volume.bootSector);
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

std::vector<MountedVolume> ListMountedVolumes(const platform::DeviceOpener& opener) {
    return MountedVolumesFrom(platform::ListMountedBlockDevices(), opener);
}

}  // namespace tundrel
