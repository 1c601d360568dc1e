#include "carve/carve_pass.h"

#include <algorithm>
#include <limits>
#include <new>

#include "carve/carve_attach.h"
#include "carve/carve_dispatcher.h"
#include "carve/carve_known_files.h"
#include "disk/sector_source.h"
#include "disk/volume_info.h"
#include "scan/scan_context.h"
#include "scan/scan_progress.h"
#include "scan/volume_scanner.h"
#include "support/settings.h"
#include "support/strings.h"

namespace tundrel {
namespace {


bool ReadSourceSectors(SectorSource& source, std::span<std::uint8_t> buffer, std::uint64_t firstSector) {
    if (firstSector + buffer.size() / kSectorBytes > kSectorNumberEnd) return false;
    return source.ReadSectors(buffer, static_cast<std::uint32_t>(firstSector));
}

}  // namespace

CarvePass::CarvePass(VolumeScanner& scanner, ScanContext& context, CarveGate gate)
    : scanner_(scanner),
      context_(context),
      carveContext_{[&scanner](std::span<std::uint8_t> buffer, std::uint64_t firstSector) {
                        return ReadSourceSectors(*scanner.source, buffer, firstSector);
                    },
                    ProgramNameCounters()} {
    const Settings& settings = context.environment.settings;
    if (gate == CarveGate::TypesOnly || settings.carveInDeletedMode) table_ = BuildCarveTable(settings);
}

void CarvePass::Dispatch(std::span<const std::uint8_t> bytes, std::uint64_t firstSector) {
    DispatchCarveBlocks(bytes, firstSector, table_, carveContext_, context_.environment.progress);
}

void CarvePass::ReadRuns(std::span<const CarveRun> runs, const CarveReadShape& shape, const ReadClusterSeam& readCluster) {
    ScanProgress& progress = context_.environment.progress;
    const std::uint64_t clusterSectors = std::max<std::uint32_t>(shape.clusterSectors, 1);
    const std::uint64_t unitSectors = std::max<std::uint32_t>(shape.unitSectors, 1);
    // Whole units per piece, at least one.
    const std::uint64_t pieceSectors = std::max<std::uint64_t>(shape.pieceSectors / unitSectors, 1) * unitSectors;
    std::uint64_t freeSectors = 0;
    for (const CarveRun& run : runs) freeSectors += run.sectors;
    progress.SetStatusText(Text16(StringId::ScanningLostFiles));
    progress.totalUnits = static_cast<std::int64_t>(freeSectors / clusterSectors);
    progress.doneUnits = 0;
    std::vector<std::uint8_t> piece;
    try {
        piece.resize(static_cast<std::size_t>(pieceSectors * kSectorBytes));
    } catch (const std::bad_alloc&) {
        return;
    }
    std::uint64_t doneSectors = 0;
    for (const CarveRun& run : runs) {
        for (std::uint64_t at = 0; at < run.sectors && !progress.StopRequested();) {
            const std::uint64_t sectors = std::min(pieceSectors, run.sectors - at);
            const auto bytes = std::span(piece).first(static_cast<std::size_t>(sectors * kSectorBytes));
            // What cannot be read is offered as zeros, never as the bytes of the last piece.
            const bool read = ReadSourceSectors(*scanner_.source, bytes, run.firstSector + at);
            if (!read) std::ranges::fill(bytes, 0);
            for (std::uint64_t unit = 0; unit < sectors; unit += unitSectors) {
                const std::uint64_t length = std::min(unitSectors, sectors - unit);
                Dispatch(std::span<const std::uint8_t>(bytes).subspan(static_cast<std::size_t>(unit * kSectorBytes),
                                                                      static_cast<std::size_t>(length * kSectorBytes)),
                         run.firstSector + at + unit);
            }
            for (std::uint64_t cluster = 0; read && readCluster && cluster + clusterSectors <= sectors;
                 cluster += clusterSectors) {
                readCluster(std::span<const std::uint8_t>(bytes).subspan(static_cast<std::size_t>(cluster * kSectorBytes),
                                                                         static_cast<std::size_t>(clusterSectors * kSectorBytes)),
                            run.firstSector + at + cluster);
            }
            at += sectors;
            doneSectors += sectors;
            progress.doneUnits = static_cast<std::int64_t>(doneSectors / clusterSectors);
        }
        if (progress.StopRequested()) break;
    }
}

void CarvePass::Finish() {
    if (!Active()) return;
    context_.environment.progress.SetStatusText(Text16(StringId::CheckingFileState));
    std::vector<VolumeScanner*> scanners;
    for (const auto& scanner : context_.scanners) scanners.push_back(scanner.get());
    if (context_.environment.settings.dropListedFinds) DropKnownFiles(table_, scanners);
    const std::uint64_t sourceSectors = scanner_.source != nullptr ? scanner_.source->totalSectors : 0;
    AttachCarvedFiles(table_, scanner_.roots[RootIndex::Types], scanner_.namePool, sourceSectors);
    table_.clear();
}

}  // namespace tundrel
