#include "modes/scan_plan.h"

#include <atomic>
#include <limits>

#include "disk/fs_type.h"
#include "disk/lost_partition_search.h"
#include "disk/partition_list.h"
#include "disk/sector_source.h"
#include "modes/open_source.h"
#include "support/strings.h"
#include "support/text.h"

namespace tundrel {
namespace {

ScanPlan Refuse(PlanRefusal refusal, std::string error) {
    ScanPlan plan;
    plan.refusal = refusal;
    plan.error = std::move(error);
    return plan;
}


// The whole source as one area, for the full scan of a source without partitions.
SelectedVolume WholeSource(const SectorSource& source) {
    SelectedVolume whole;
    const std::uint64_t limit = std::numeric_limits<std::uint32_t>::max();
    whole.sectorCount = static_cast<std::uint32_t>(std::min(source.totalSectors, limit));
    return whole;
}

std::string NoScannerText(std::uint32_t fsType) {
    if (fsType == kFsRaw) return std::string(Text(StringId::FullScanUnavailable));
    return Formatted(StringId::FileSystemScanUnavailable, std::string(TypeName(fsType)).c_str());
}

// The volumes the lost-partition search finds that are not mounted, or the one at
// `volumeStart`; the whole disk is the search's last row.
std::vector<SelectedVolume> LostPartitionCandidates(SectorSource& source, const ScanRequest& request,
                                                    FileSystemTable fileSystems, std::vector<std::string>& notes) {
    const std::atomic<std::uint32_t> neverStop{0};
    const SourceMounts mounts = MountsOfSource(source.path, fileSystems);
    LostPartitionSearch found = SearchLostPartitions(source, fileSystems, request.searchStop != nullptr ? *request.searchStop : neverStop,
                                                     {mounts.mounted, mounts.device, request.searchReport});
    notes.insert(notes.end(), found.notes.begin(), found.notes.end());
    found.volumes.pop_back();
    std::vector<SelectedVolume> candidates;
    for (const VolumeInfo& volume : found.volumes) {
        if (volume.beyond2TiB) continue;
        if (request.volumeStart ? volume.startSector == *request.volumeStart : volume.mountPoint.empty()) {
            candidates.push_back(SelectedVolumeOf(volume));
            if (request.volumeStart) break;
        }
    }
    if (candidates.empty() && request.volumeStart == 0u) candidates.push_back(WholeSource(source));
    return candidates;
}

}  // namespace

SelectedVolume SelectedVolumeOf(const VolumeInfo& volume) {
    SelectedVolume selected;
    selected.startSector = volume.startSector;
    selected.sectorCount = volume.sectorCount;
    selected.fsType = volume.fsType;
    selected.bootValid = volume.bootValid;
    selected.bootSector = volume.bootSector;
    return selected;
}

ScanPlan PlanScanTasks(const ScanRequest& request, FileSystemTable fileSystems, ScannerTable scanners) {
    SectorSource source;
    if (const auto error = OpenReadableSource(source, request.source)) {
        return Refuse(PlanRefusal::SourceUnreadable, *error);
    }

    if (request.freeArea) {
        if (!source.IsVolume()) return Refuse(PlanRefusal::NotAVolume, Formatted(StringId::FreeAreaNeedsVolume, request.source.c_str()));
        ScanPlan plan;
        ScanTask task;
        task.sourceName = ToUtf16(request.source);
        task.mode = kModeFormattedVolume;
        task.volume = WholeSource(source);
        task.options[kOptionFullScanFallback] = 1;
        plan.tasks.push_back(task);
        return plan;
    }

    const std::atomic<std::uint32_t> stop{0};
    const bool fullScan = request.mode == kModeFullScan && !request.lostPartitions;
    std::vector<SelectedVolume> candidates;
    std::vector<std::string> searchNotes;
    if (request.lostPartitions) {
        candidates = LostPartitionCandidates(source, request, fileSystems, searchNotes);
        if (candidates.empty()) {
            if (!request.volumeStart) return Refuse(PlanRefusal::NothingToScan, Formatted(StringId::NoFileSystemOn, request.source.c_str()));
            return Refuse(PlanRefusal::NothingToScan, Formatted(StringId::NoVolumeAtSector,
                                                                std::to_string(*request.volumeStart).c_str(),
                                                                request.source.c_str()));
        }
    } else if (request.range) {
        const SectorRange range = *request.range;
        if (range.last >= source.totalSectors) {
            return Refuse(PlanRefusal::NothingToScan,
                          Formatted(StringId::RangeBeyondSource, std::to_string(range.first).c_str(),
                                    std::to_string(range.last).c_str(), request.source.c_str(),
                                    std::to_string(source.totalSectors).c_str()));
        }
        SelectedVolume area;
        if (!fullScan) {
            for (const VolumeInfo& volume : ListSourceVolumes(source, stop, fileSystems)) {
                if (volume.startSector == range.first) area = SelectedVolumeOf(volume);
            }
        }
        area.startSector = range.first;
        area.sectorCount = range.last - range.first + 1;
        candidates.push_back(area);
    } else {
        for (const VolumeInfo& volume : ListSourceVolumes(source, stop, fileSystems)) {
            if (volume.beyond2TiB) continue;  // no 32-bit sector number reaches it
            if (!request.volumeStart || volume.startSector == *request.volumeStart) candidates.push_back(SelectedVolumeOf(volume));
        }
        if (candidates.empty() && request.volumeStart) {
            return Refuse(PlanRefusal::NothingToScan, Formatted(StringId::NoVolumeAtSector,
                                                                std::to_string(*request.volumeStart).c_str(),
                                                                request.source.c_str()));
        }
        // The full scan sweeps the picked volume, or the whole source in one task.
        if (fullScan && !request.volumeStart) candidates.assign(1, WholeSource(source));
        if (candidates.empty()) {
            return Refuse(PlanRefusal::NothingToScan, Formatted(StringId::NoFileSystemOn, request.source.c_str()));
        }
    }
    // The full scan rebuilds whatever it finds in its area, whatever the table says.
    if (fullScan) {
        for (SelectedVolume& volume : candidates) volume.fsType = kFsRaw;
    }

    ScanPlan plan;
    plan.notes = std::move(searchNotes);
    for (const SelectedVolume& volume : candidates) {
        if (FindScanner(scanners, volume.fsType) == nullptr) {
            plan.notes.push_back(Formatted(StringId::SkippingVolume, std::string(TypeName(volume.fsType)).c_str(),
                                           std::to_string(volume.startSector).c_str(),
                                           NoScannerText(volume.fsType).c_str()));
            continue;
        }
        ScanTask task;
        task.sourceName = ToUtf16(request.source);
        task.mode = request.mode;
        task.volume = volume;
        // A volume whose boot record proves unusable goes to the full scan, but in the deleted-file mode.
        task.options[kOptionFullScanFallback] = request.mode == kModeDeletedFiles ? 0 : 1;
        plan.tasks.push_back(task);
    }
    if (plan.tasks.empty()) {
        // With one candidate its note is the whole story.
        if (candidates.size() == 1) return Refuse(PlanRefusal::NothingToScan, NoScannerText(candidates[0].fsType));
        ScanPlan refusal =
            Refuse(PlanRefusal::NothingToScan, Formatted(StringId::NoVolumeScannable,
                                                         std::to_string(candidates.size()).c_str(), request.source.c_str()));
        refusal.notes = std::move(plan.notes);
        return refusal;
    }
    return plan;
}

}  // namespace tundrel
