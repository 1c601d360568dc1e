#include "modes/full_scanner.h"

#include <algorithm>
#include <iterator>
#include <new>
#include <string>

#include "carve/carve_pass.h"
#include "disk/fs_type.h"
#include "disk/sector_source.h"
#include "disk/volume_info.h"
#include "modes/all_scanners.h"
#include "modes/exfat_rebuild.h"
#include "modes/volume_rebuild.h"
#include "scan/scan_context.h"
#include "scan/scan_progress.h"
#include "support/settings.h"
#include "support/strings.h"

namespace tundrel {
namespace {

bool HoldsAnything(const VolumeScanner& scanner) {
    return !scanner.roots[RootIndex::Root].children.empty() || !scanner.roots[RootIndex::Lost].children.empty() ||
           !scanner.roots[RootIndex::Scanned].children.empty();
}

}  // namespace

FullScanner::FullScanner(ScanContext& context) : VolumeScanner(context, kFsRaw) {}

FullScanner::~FullScanner() = default;

std::unique_ptr<VolumeScanner> MakeFullScanner(ScanContext& context, std::uint32_t) {
    return std::make_unique<FullScanner>(context);
}

std::optional<SweepSelection> FullScanner::ReadSelection() {
    for (;;) {
        const SweepSelection selection{settings_.fullScanFat, settings_.fullScanNtfs, settings_.fullScanExFat};
        const bool anyType = std::ranges::any_of(settings_.carveTypes, [](bool on) { return on; });
        if (selection.Any() || anyType) return selection;
        SelectionPrompt* prompt = context_.environment.selectionPrompt;
        if (prompt == nullptr || !prompt->AskForSelection(Text16(StringId::NothingSelectedForFullScan))) {
            return std::nullopt;
        }
    }
}

void FullScanner::Scan() {
    NameRootFolders(roots, namePool);
    progress_.BeginScan();
    if (const auto selection = ReadSelection()) {
        FullScanCandidates candidates;
        FullScanSweep sweep(*selection, candidates, &progress_);
        CarvePass carving(*this, context_, CarveGate::TypesOnly);
        const SweptAreas swept = PlanSweptAreas();
        Sweep(sweep, carving, swept.areas);
        ReportCappedTables(candidates);

        // What the sweep gathered is rebuilt also after a stop, under a stop word of its own.
        progress_.BeginOwnStopPhase();
        progress_.busy = 1;
        progress_.timing = 0;
        Rebuild rebuilt = RebuildVolumes(candidates, swept);
        FileUnclaimedRecords(roots[RootIndex::Scanned], std::move(rebuilt.unclaimedRecords), namePool,
                             progress_.StopWord());
        for (auto& scanner : rebuilt.scanners) {
            if (HoldsAnything(*scanner)) context_.scanners.push_back(std::move(scanner));
        }
        // Carved files that a rebuilt volume lists already are dropped before the rest is attached.
        carving.Finish();
        progress_.EndOwnStopPhase();
    }
    FinishScan(roots, namePool);
    progress_.EndScan();
    progress_.SetStatusText({});
}

bool FullScanner::IsFreeAreaCase() const {
    if (source == nullptr || !source->IsVolume() || context_.mode != kModeFormattedVolume || volumeStart != 0) return false;
    // A range that starts at the volume's first sector but ends before its end is swept as given.
    const std::uint64_t sourceSectors = std::min(source->totalSectors, kSectorNumberEnd - 1);
    return volumeSectors == 0 || volumeSectors >= sourceSectors;
}

FullScanner::SweptAreas FullScanner::PlanSweptAreas() {
    SweptAreas swept;
    const std::uint64_t sourceSectors = source != nullptr ? std::min(source->totalSectors, kSectorNumberEnd) : 0;
    if (IsFreeAreaCase()) {
        FreeAreas unused = FindFreeAreas(*source, 0, sourceSectors, AllFileSystems());
        if (unused.wholeVolume) {
            context_.notes.push_back(Formatted(StringId::FreeAreasUnreadable, std::string(TypeName(unused.fsType)).c_str()));
        }
        swept.areas = std::move(unused.areas);
        swept.freeAreaCase = true;
        swept.volumeTotalSectors = static_cast<std::uint32_t>(std::min(unused.bootTotalSectors, kSectorNumberEnd - 1));
        return swept;
    }
    const std::uint64_t first = volumeStart;
    const std::uint64_t wanted = volumeSectors != 0 ? volumeSectors : sourceSectors - std::min(first, sourceSectors);
    const std::uint64_t end = std::min(first + wanted, sourceSectors);
    if (first < end) swept.areas.push_back({first, end - first});
    return swept;
}

void FullScanner::Sweep(FullScanSweep& sweep, CarvePass& carving, const std::vector<SectorArea>& areas) {
    if (areas.empty()) return;
    std::vector<std::uint8_t> buffer;
    try {
        buffer.resize(kPieceSectors * kSectorBytes);
    } catch (const std::bad_alloc&) {
        return;
    }
    progress_.SetStatusText(Text16(StringId::ScanningLostDirectories));
    std::uint64_t total = 0;
    for (const SectorArea& area : areas) total += area.sectors;
    progress_.totalUnits = static_cast<std::int64_t>(total);
    progress_.doneUnits = 0;
    progress_.timing = 1;
    for (const SectorArea& area : areas) {
        // Pieces never run past an area's end: the clusters after it are not to be read.
        for (std::uint64_t at = area.start; at < area.End();) {
            if (progress_.StopRequested()) return;
            const std::uint64_t sectors = std::min<std::uint64_t>(kPieceSectors, area.End() - at);
            const auto piece = std::span(buffer).first(static_cast<std::size_t>(sectors * kSectorBytes));
            if (!source->ReadRange(piece, static_cast<std::uint32_t>(at), progress_.stopRequested)) return;
            if (carving.Active()) carving.Dispatch(piece, at);
            sweep.Examine(piece, at);
            at += sectors;
            progress_.doneUnits += static_cast<std::int64_t>(sectors);
        }
    }
}

FullScanner::Rebuild FullScanner::RebuildVolumes(FullScanCandidates& candidates, const SweptAreas& swept) {
    ScanOptions options = scanOptions;
    options[kOptionFullScanFallback] = 0;
    const SubScannerSetting setting{context_, *source, options};
    Rebuild rebuilt;
    rebuilt.scanners = RebuildExFatVolumes(setting, candidates.exfatBoots.items);
    const std::uint64_t sourceSectors = std::min(source->totalSectors, kSectorNumberEnd);
    const RebuildSetting rebuild{context_, *source, sourceSectors, swept.freeAreaCase, swept.volumeTotalSectors,
                                 progress_.StopWord()};
    NtfsRebuild ntfs = RebuildNtfsVolumes(rebuild, candidates);
    std::ranges::move(ntfs.scanners, std::back_inserter(rebuilt.scanners));
    std::ranges::move(RebuildFatVolumes(rebuild, candidates), std::back_inserter(rebuilt.scanners));
    rebuilt.unclaimedRecords = std::move(ntfs.unclaimedRecords);
    return rebuilt;
}

void FullScanner::ReportCappedTables(const FullScanCandidates& candidates) {
    if (!candidates.AnyCapped()) return;
    std::string which;
    auto add = [&which](bool capped, const char* name) {
        if (capped) which += (which.empty() ? "" : ", ") + std::string(name);
    };
    add(candidates.ntfsBoots.capped, "NTFS boot records");
    add(candidates.mftRecords.capped, "$MFT records");
    add(candidates.looseRecords.capped, "MFT records");
    add(candidates.fatBoots.capped, "FAT boot records");
    add(candidates.fatTables.capped, "FAT tables");
    add(candidates.fatDirectories.capped, "FAT directory sectors");
    add(candidates.exfatBoots.capped, "exFAT boot records");
    context_.notes.push_back(Formatted(StringId::FullScanTableFull, which.c_str()));
}

}  // namespace tundrel
