#include "cli/task_builder.h"

#include <charconv>
#include <limits>

#include "cli/exit_codes.h"
#include "disk/boot_sector.h"
#include "disk/fs_type.h"
#include "disk/sector_source.h"
#include "support/text.h"

namespace tundrel::cli {
namespace {

struct ModeWord {
    std::string_view word;
    std::uint32_t mode;
};
constexpr ModeWord kModes[] = {
    {"deleted", kModeDeletedFiles},
    {"formatted", kModeFormattedVolume},
    {"partition", kModeFullScan},
    {"full", kModeFullScan},
};

TaskPlan Refuse(int code, std::string error) {
    TaskPlan plan;
    plan.exitCode = code;
    plan.error = std::move(error);
    return plan;
}

std::optional<std::uint32_t> ParseSector(const std::string& text) {
    std::uint32_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end != text.data() + text.size()) return std::nullopt;
    return value;
}

// The volume that starts at `start` and runs to the end of the source, typed by its boot sector.
SelectedVolume VolumeAt(SectorSource& source, std::uint32_t start) {
    SelectedVolume volume;
    volume.startSector = start;
    const std::uint64_t rest = source.totalSectors - start;
    volume.sectorCount = static_cast<std::uint32_t>(std::min<std::uint64_t>(rest, std::numeric_limits<std::uint32_t>::max()));
    if (source.ReadSectors(volume.bootSector, start)) {
        volume.fsType = BootSectorType(volume.bootSector);
        volume.bootValid = volume.fsType != kFsRaw;
    }
    return volume;
}

}  // namespace

TaskPlan BuildScanTasks(const ScanCommandOptions& options, ScannerTable scanners) {
    const ModeWord* mode = nullptr;
    for (const ModeWord& candidate : kModes) {
        if (candidate.word == options.mode) mode = &candidate;
    }
    if (mode == nullptr) return Refuse(kExitUsage, "unknown mode '" + options.mode + "' (deleted, formatted, partition, full)");
    if (mode->word == "partition") {
        return Refuse(kExitCannotScan, "the lost-partition search is not available in this version");
    }

    SectorSource source;
    if (!source.Open(ToUtf16(options.source))) {
        return Refuse(kExitSourceError, "cannot open source '" + options.source + "'");
    }
    if (source.totalSectors == 0) return Refuse(kExitSourceError, "source '" + options.source + "' has no sectors");

    std::uint32_t start = 0;
    if (!options.volume.empty() && options.volume != "all") {
        const auto parsed = ParseSector(options.volume);
        if (!parsed) return Refuse(kExitUsage, "--volume takes a start sector or 'all', not '" + options.volume + "'");
        if (*parsed >= source.totalSectors) {
            return Refuse(kExitCannotScan, "no volume starts at sector " + options.volume + ": the source has " +
                                               std::to_string(source.totalSectors) + " sectors");
        }
        start = *parsed;
    }

    ScanTask task;
    task.sourceName = ToUtf16(options.source);
    task.mode = mode->mode;
    task.volume = VolumeAt(source, start);
    if (mode->word == "full") {
        task.volume.fsType = kFsRaw;  // the full scan rebuilds whatever it finds in the area
    } else if (task.volume.fsType == kFsRaw) {
        return Refuse(kExitCannotScan, "no NTFS, FAT or exFAT file system starts at sector " + std::to_string(start) +
                                           " of '" + options.source + "'");
    }
    if (FindScanner(scanners, task.volume.fsType) == nullptr) {
        const std::string what = task.volume.fsType == kFsRaw ? std::string("the full scan")
                                                              : "scanning " + std::string(TypeName(task.volume.fsType)) + " volumes";
        return Refuse(kExitCannotScan, what + " is not available in this version");
    }
    TaskPlan plan;
    plan.tasks.push_back(task);
    return plan;
}

}  // namespace tundrel::cli
