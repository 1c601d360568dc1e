#pragma once
// The full scan: one sweep over an area of the source that looks at every sector for the
// structures of FAT, NTFS and exFAT volumes and offers every piece to the carving types;
// afterwards the volumes the structures describe are rebuilt, each scanned by its own scanner
// and shown as a volume of its own. The carved files stay in this scanner's root of file
// types, the MFT records of no rebuilt volume in its root of scanned files.

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "modes/free_areas.h"
#include "modes/full_scan_sweep.h"
#include "scan/volume_scanner.h"

namespace tundrel {

class CarvePass;

class FullScanner final : public VolumeScanner {
public:
    explicit FullScanner(ScanContext& context);
    ~FullScanner() override;

    void Scan() override;

    // Pieces of the sweep, in sectors.
    static constexpr std::uint32_t kPieceSectors = 1024;

private:
    // What the sweep reads: one area, or a formatted volume's free clusters.
    struct SweptAreas {
        std::vector<SectorArea> areas;  // absolute sectors, ascending
        bool freeAreaCase = false;
        std::uint32_t volumeTotalSectors = 0;  // the swept volume's size by its boot record; 0 when none
    };
    struct Rebuild {
        std::vector<std::unique_ptr<VolumeScanner>> scanners;
        std::vector<ScanNode> unclaimedRecords;  // loose records no rebuilt volume holds
    };

    // The file systems to look for; asks the front end when neither a file system nor a
    // carving type is selected, and gives nothing when it declines.
    std::optional<SweepSelection> ReadSelection();
    // A volume source in the formatted mode, scanned from its first sector to its end, has only
    // its free clusters swept: what the files saved since the formatting took is left alone.
    bool IsFreeAreaCase() const;
    SweptAreas PlanSweptAreas();
    void Sweep(FullScanSweep& sweep, CarvePass& carving, const std::vector<SectorArea>& areas);
    // Every volume the candidates describe, scanned; the one place each file system's
    // rebuilding joins.
    Rebuild RebuildVolumes(FullScanCandidates& candidates, const SweptAreas& swept);
    void ReportCappedTables(const FullScanCandidates& candidates);
};

std::unique_ptr<VolumeScanner> MakeFullScanner(ScanContext& context, std::uint32_t fsType);

}  // namespace tundrel
