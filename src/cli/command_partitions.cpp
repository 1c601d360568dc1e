#include <unistd.h>

#include <atomic>
#include <iomanip>
#include <nlohmann/json.hpp>
#include <ostream>

#include "cli/commands.h"
#include "cli/command_interrupts.h"
#include "cli/exit_codes.h"
#include "cli/progress_reporter.h"
#include "cli/search_progress.h"
#include "disk/fs_type.h"
#include "disk/mount_matching.h"
#include "disk/mounted_volume.h"
#include "disk/lost_partition_search.h"
#include "disk/partition_list.h"
#include "disk/sector_source.h"
#include "modes/open_source.h"
#include "modes/all_scanners.h"
#include "scan/scan_progress.h"
#include "support/text.h"
#include "support/strings.h"

namespace tundrel::cli {
namespace {

std::uint64_t StartOf(const VolumeInfo& volume) { return volume.beyond2TiB ? volume.wideStart : volume.startSector; }
std::uint64_t CountOf(const VolumeInfo& volume) { return volume.beyond2TiB ? volume.wideCount : volume.sectorCount; }

nlohmann::json VolumeJson(const VolumeInfo& volume) {
    return {
        {"startSector", StartOf(volume)},
        {"sectorCount", CountOf(volume)},
        {"beyond2TiB", volume.beyond2TiB},
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
        out << std::setw(4) << i + 1 << std::setw(12) << StartOf(volume) << std::setw(12) << CountOf(volume)
            << std::setw(7) << TypeName(volume.fsType) << std::setw(14) << OrDash(ToUtf8(volume.label))
            << std::setw(12) << OrDash(ToUtf8(volume.createdText)) << std::setw(6)
            << (volume.bootValid ? "valid" : "-") << OrDash(volume.mountPoint)
            << (volume.beyond2TiB ? "  (beyond 2 TiB: cannot be scanned)" : "") << '\n';
    }
}

}  // namespace

int RunPartitions(const PartitionsOptions& options, std::ostream& out, std::ostream& err) {
    SectorSource source;
    if (const auto error = OpenReadableSource(source, options.source)) {
        err << "tundrel: " << *error << '\n';
        return kExitSourceError;
    }
    const SourceMounts mounts = MountsOfSource(source.path, AllFileSystems());
    std::vector<VolumeInfo> volumes;
    bool stopped = false;
    if (options.search) {
        ScanProgress progress;
        SearchProgress report(progress);
        LostPartitionSearch found;
        RunWithProgress(progress, isatty(STDERR_FILENO) != 0, err, [&] {
            found = SearchLostPartitions(source, AllFileSystems(), progress.stopRequested, {mounts.mounted, mounts.device, &report});
        });
        for (const std::string& note : found.notes) err << "tundrel: " << Formatted(StringId::NoteLine, note.c_str()) << '\n';
        volumes = std::move(found.volumes);
        stopped = progress.stopRequested.load() != 0 || CommandInterrupts::Interrupted();
    } else {
        const std::atomic<std::uint32_t> stop{0};
        std::vector<std::string> notes;
        volumes = ListSourceVolumes(source, stop, AllFileSystems(), &notes);
        for (const std::string& note : notes) err << "tundrel: " << Formatted(StringId::NoteLine, note.c_str()) << '\n';
        for (VolumeInfo& volume : volumes) AssignMountPoint(mounts.mounted, volume, source, mounts.device, AllFileSystems());
    }

    if (options.json) {
        for (const VolumeInfo& volume : volumes) out << VolumeJson(volume).dump() << '\n';
    } else if (volumes.empty()) {
        out << Formatted(StringId::NoPartitionOn, options.source.c_str()) << '\n';
    } else {
        PrintTable(volumes, out);
    }
    if (stopped) {
        err << "tundrel: " << Text(StringId::ScanStoppedShowingFound) << '\n';
        return kExitStopped;
    }
    return kExitSuccess;
}

}  // namespace tundrel::cli
