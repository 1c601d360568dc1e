#include "disk/mount_matching.h"

#include <string>

#include "disk/bounded_read.h"
#include "disk/fs_type.h"
#include "support/byte_reader.h"

namespace tundrel {
namespace {

// The system's name for a type: FAT12/16 volumes are plain "FAT".
std::string_view SystemFsName(std::uint32_t fsType) { return fsType == kFsFat16 ? "FAT" : TypeName(fsType); }

bool SameNtfsLayout(const ByteReader& a, const ByteReader& b) {
    if (a.U8(13) != b.U8(13)) return false;
    const std::uint64_t mftA = a.U64(48), mirrorA = a.U64(56);
    const std::uint64_t mftB = b.U64(48), mirrorB = b.U64(56);
    return (mftA == mftB && mirrorA == mirrorB) || (mftA == mirrorB && mirrorA == mftB);
}

bool SameFatLayout(const ByteReader& a, const ByteReader& b, bool fat32) {
    const std::uint64_t fatSizeA = fat32 ? a.U32(36) : a.U16(22);
    const std::uint64_t fatSizeB = fat32 ? b.U32(36) : b.U16(22);
    return a.U8(13) == b.U8(13) && fatSizeA == fatSizeB && a.U16(14) + fatSizeA == b.U16(14) + fatSizeB;
}

bool SameExFatLayout(const ByteReader& a, const ByteReader& b) {
    return a.U64(72) == b.U64(72) && a.U32(80) == b.U32(80) && a.U32(84) == b.U32(84) && a.U32(92) == b.U32(92) &&
           a.U32(96) == b.U32(96);
}

// Where the mounted volume starts on the source, or nothing when it is not on it.
std::optional<std::uint64_t> StartOnSource(const MountedVolume& mounted, platform::DeviceNumber source) {
    if (platform::SameDevice(mounted.disk, source)) return mounted.startSector;
    if (platform::SameDevice(mounted.device, source)) return 0;  // the source is this very partition
    return std::nullopt;
}

}  // namespace

bool IsMountedVolumeOf(const MountedVolume& mounted, std::uint64_t mountedStart, const VolumeInfo& record) {
    if (mountedStart != record.startSector) return false;
    const std::uint64_t ours = record.sectorCount;
    const std::uint64_t theirs = mounted.sectorCount;
    if ((theirs > ours ? theirs - ours : ours - theirs) > kMountSizeTolerance) return false;
    if (mounted.fsName != SystemFsName(record.fsType)) return false;
    const ByteReader mountedBoot(mounted.bootSector);
    const ByteReader recordBoot(record.bootSector);
    switch (record.fsType) {
        case kFsNtfs: return SameNtfsLayout(mountedBoot, recordBoot);
        case kFsFat32: return SameFatLayout(mountedBoot, recordBoot, true);
        case kFsFat16: return SameFatLayout(mountedBoot, recordBoot, false);
        case kFsExFat: return SameExFatLayout(mountedBoot, recordBoot);
        default: return false;
    }
}

void AssignMountPoint(std::span<const MountedVolume> mounted, VolumeInfo& record, SectorSource& source,
                      std::optional<platform::DeviceNumber> sourceDevice) {
    if (!record.bootValid) ReadSectorWithin(source, record.startSector, record.bootSector);
    if (!sourceDevice) return;
    for (const MountedVolume& volume : mounted) {
        const std::optional<std::uint64_t> start = StartOnSource(volume, *sourceDevice);
        if (start && IsMountedVolumeOf(volume, *start, record)) {
            record.mountPoint = volume.mountPoint;
            return;
        }
    }
}

}  // namespace tundrel
