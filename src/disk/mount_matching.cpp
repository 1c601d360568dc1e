#include "disk/mount_matching.h"

#include <string>

#include "disk/bounded_read.h"
#include "disk/fs_type.h"
#include "disk/file_system_entry.h"

namespace tundrel {
namespace {

// Where the mounted volume starts on the source, or nothing when it is not on it.
std::optional<std::uint64_t> StartOnSource(const MountedVolume& mounted, platform::DeviceNumber source) {
    if (platform::SameDevice(mounted.disk, source)) return mounted.startSector;
    if (platform::SameDevice(mounted.device, source)) return 0;  // the source is this very partition
    return std::nullopt;
}

}  // namespace

bool IsMountedVolumeOf(const MountedVolume& mounted, std::uint64_t mountedStart, const VolumeInfo& record,
                       FileSystemTable fileSystems) {
    if (mountedStart != record.startSector) return false;
    const std::uint64_t ours = record.sectorCount;
    const std::uint64_t theirs = mounted.sectorCount;
    if ((theirs > ours ? theirs - ours : ours - theirs) > kMountSizeTolerance) return false;
    if (mounted.fsName != SystemTypeName(record.fsType)) return false;
    const FileSystemEntry* fileSystem = FindFileSystem(fileSystems, record.fsType);
    return fileSystem != nullptr && fileSystem->sameLayout(mounted.bootSector, record.bootSector);
}

void AssignMountPoint(std::span<const MountedVolume> mounted, VolumeInfo& record, SectorSource& source,
                      std::optional<platform::DeviceNumber> sourceDevice, FileSystemTable fileSystems) {
    if (!record.bootValid) ReadSectorWithin(source, record.startSector, record.bootSector);
    if (!sourceDevice) return;
    for (const MountedVolume& volume : mounted) {
        const std::optional<std::uint64_t> start = StartOnSource(volume, *sourceDevice);
        if (start && IsMountedVolumeOf(volume, *start, record, fileSystems)) {
            record.mountPoint = volume.mountPoint;
            return;
        }
    }
}

}  // namespace tundrel
