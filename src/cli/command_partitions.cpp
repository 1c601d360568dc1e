#include <atomic>
#include <iomanip>
#include <nlohmann/json.hpp>
#include <ostream>

#include "cli/commands.h"
#include "cli/exit_codes.h"
#include "disk/fs_type.h"
#include "disk/mount_matching.h"
#include "disk/mounted_volume.h"
#include "disk/partition_list.h"
#include "disk/sector_source.h"
#include "modes/open_source.h"
#include "modes/all_scanners.h"
#include "platform/mounted_block_devices.h"
#include "support/text.h"
#include "support/strings.h"

namespace tundrel::cli {
namespace {

nlohmann::json VolumeJson(const VolumeInfo& volume) {
    return {
        {"startSector", volume.startSector},
        {"sectorCount", volume.sectorCount},
        {"fsType", volume.fsType},
        {"typeName", TypeName(volume.fsType)},
        {"label", ToUtf8(volume.label)},
        {"driveLetter", volume.mountPoint},
        {"createdText", ToUtf8(volume.createdText)},
        {"bootValid", volume.bootValid},
    };
}

std::string OrDash(const std::string& text) { return text.empty() ? "-" : text; }

void PrintTable(const std::vector<VolumeInfo>& volumes, std::ostream& out) {
    out << std::left << std::setw(4) << "#" << std::setw(12) << "start" << std::setw(12) << "sectors" << std::setw(7)
        << "type" << std::setw(14) << "label" << std::setw(12) << "created" << std::setw(6) << "boot"
        << "mounted on\n";
    for (std::size_t i = 0; i < volumes.size(); ++i) {
        const VolumeInfo& volume = volumes[i];
        out << std::setw(4) << i + 1 << std::setw(12) << volume.startSector << std::setw(12) << volume.sectorCount
            << std::setw(7) << TypeName(volume.fsType) << std::setw(14) << OrDash(ToUtf8(volume.label))
            << std::setw(12) << OrDash(ToUtf8(volume.createdText)) << std::setw(6)
            << (volume.bootValid ? "valid" : "-") << OrDash(volume.mountPoint) << '\n';
    }
}

}  // namespace

int RunPartitions(const PartitionsOptions& options, std::ostream& out, std::ostream& err) {
    SectorSource source;
    if (const auto error = OpenReadableSource(source, options.source)) {
        err << "tundrel: " << *error << '\n';
        return kExitSourceError;
    }
    const std::atomic<std::uint32_t> stop{0};
    std::vector<VolumeInfo> volumes = ListSourceVolumes(source, stop, AllFileSystems());

    // Only a disk or partition device can be mounted; an image file needs no look at the mounts.
    if (const auto sourceDevice = platform::BlockDeviceNumberOf(source.path)) {
        const std::vector<MountedVolume> mounted = ListMountedVolumes(AllFileSystems());
        for (VolumeInfo& volume : volumes) AssignMountPoint(mounted, volume, source, sourceDevice, AllFileSystems());
    }

    if (options.json) {
        for (const VolumeInfo& volume : volumes) out << VolumeJson(volume).dump() << '\n';
    } else if (volumes.empty()) {
        out << Formatted(StringId::NoPartitionOn, options.source.c_str()) << '\n';
    } else {
        PrintTable(volumes, out);
    }
    return kExitSuccess;
}

}  // namespace tundrel::cli
