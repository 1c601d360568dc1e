#include "cli/task_builder.h"

#include <atomic>
#include <charconv>
#include <limits>

#include "cli/exit_codes.h"
#include "disk/boot_sector.h"
#include "disk/fs_type.h"
#include "disk/partition_list.h"
#include "disk/sector_source.h"
#include "modes/all_scanners.h"
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

SelectedVolume SelectionOf(const VolumeInfo& volume) {
    SelectedVolume selected;
    selected.startSector = volume.startSector;
    selected.sectorCount = volume.sectorCount;
    selected.fsType = volume.fsType;
    selected.bootValid = volume.bootValid;
    selected.bootSector = volume.bootSector;
    return selected;
}

// The whole source as one area, for the full scan of a source without partitions.
SelectedVolume WholeSource(const SectorSource& source) {
    SelectedVolume whole;
    const std::uint64_t limit = std::numeric_limits<std::uint32_t>::max();
    whole.sectorCount = static_cast<std::uint32_t>(std::min(source.totalSectors, limit));
    return whole;
}

std::string NoScannerText(std::uint32_t fsType) {
    const std::string what = fsType == kFsRaw ? std::string("the full scan")
                                              : "scanning " + std::string(TypeName(fsType)) + " volumes";
    return what + " is not available in this version";
}

}  // namespace

TaskPlan BuildScanTasks(const ScanCommandOptions& options, ScannerTable scanners) {
    const ModeWord* mode = nullptr;
    for (const ModeWord& candidate : kModes) {
        if (candidate.word == options.mode) mode = &candidate;
    }
    if (mode == nullptr) {
        return Refuse(kExitUsage, "unknown mode '" + options.mode + "' (deleted, formatted, partition, full)");
    }
    if (mode->word == "partition") {
        return Refuse(kExitCannotScan, "the lost-partition search is not available in this version");
    }
    std::optional<std::uint32_t> wantedStart;
    if (!options.volume.empty() && options.volume != "all") {
        wantedStart = ParseSector(options.volume);
        if (!wantedStart) {
            return Refuse(kExitUsage, "--volume takes a start sector or 'all', not '" + options.volume + "'");
        }
    }

    SectorSource source;
    if (!source.Open(ToUtf16(options.source))) {
        return Refuse(kExitSourceError, "cannot open source '" + options.source + "'");
    }
    if (source.totalSectors == 0) return Refuse(kExitSourceError, "source '" + options.source + "' has no sectors");

    const std::atomic<std::uint32_t> stop{0};
    std::vector<SelectedVolume> candidates;
    for (const VolumeInfo& volume : ListSourceVolumes(source, stop, AllFileSystems())) {
        if (!wantedStart || volume.startSector == *wantedStart) candidates.push_back(SelectionOf(volume));
    }
    const bool fullScan = mode->word == "full";
    if (candidates.empty()) {
        const std::string named = "'" + options.source + "'";
        if (wantedStart) {
            return Refuse(kExitCannotScan, "no volume starts at sector " + options.volume + " of " + named);
        }
        if (!fullScan) return Refuse(kExitCannotScan, "no NTFS, FAT or exFAT file system or partition on " + named);
        candidates.push_back(WholeSource(source));
    }
    // The full scan rebuilds whatever it finds in each area, whatever the table says.
    if (fullScan) {
        for (SelectedVolume& volume : candidates) volume.fsType = kFsRaw;
    }

    TaskPlan plan;
    for (const SelectedVolume& volume : candidates) {
        if (FindScanner(scanners, volume.fsType) == nullptr) {
            plan.notes.push_back("skipping the " + std::string(TypeName(volume.fsType)) + " volume at sector " +
                                 std::to_string(volume.startSector) + ": " + NoScannerText(volume.fsType));
            continue;
        }
        ScanTask task;
        task.sourceName = ToUtf16(options.source);
        task.mode = mode->mode;
        task.volume = volume;
        plan.tasks.push_back(task);
    }
    if (plan.tasks.empty()) {
        // With one candidate its note is the whole story.
        if (candidates.size() == 1) return Refuse(kExitCannotScan, NoScannerText(candidates[0].fsType));
        TaskPlan refusal = Refuse(kExitCannotScan, "none of the " + std::to_string(candidates.size()) +
                                                       " volumes of '" + options.source + "' can be scanned");
        refusal.notes = std::move(plan.notes);
        return refusal;
    }
    return plan;
}

}  // namespace tundrel::cli
