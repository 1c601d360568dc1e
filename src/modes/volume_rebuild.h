#pragma once
// Rebuilding the NTFS and FAT volumes whose pieces the full scan's sweep found: each volume
// it can place becomes a scanner of its own, scanned over the same source.

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

#include "disk/sector_source.h"
#include "scan/full_scan_candidates.h"
#include "scan/name_pool.h"
#include "scan/scan_context.h"
#include "scan/scan_node.h"
#include "scan/volume_scanner.h"

namespace tundrel {

// What the rebuilding needs of the scan that swept.
struct RebuildSetting {
    ScanContext& context;  // sub-scanners are made in it (not appended to its list: the caller keeps or drops them)
    SectorSource& source;
    std::uint64_t sourceSectors;  // the source's total; 0 when unknown (volumes are then only cut to 32 bits)
    bool freeAreaCase;  // the sweep covered a volume source's free clusters (task mode 2, volume source, start 0)
    std::uint32_t sweptVolumeTotalSectors;   // that volume's own total from its boot copy, 0 when none
    const std::atomic<std::uint32_t>& stop;  // the reconstruction's own stop word
};

struct NtfsRebuild {
    std::vector<std::unique_ptr<VolumeScanner>> scanners;  // scanned, post-processed, in creation order
    // Loose records no rebuilt volume holds, read again from the source: `extra` holds the
    // parent record their name gives, for FileUnclaimedRecords.
    std::vector<ScanNode> unclaimedRecords;
};

// The scanners made here stop on their context's stop word; the work between their scans
// stops on the setting's.
// Rebuilt volumes whose roots 0, 1 and 4 stay empty are not returned.
NtfsRebuild RebuildNtfsVolumes(const RebuildSetting& setting, FullScanCandidates& candidates);
std::vector<std::unique_ptr<VolumeScanner>> RebuildFatVolumes(const RebuildSetting& setting,
                                                              FullScanCandidates& candidates);

// The lost-files tree of the unclaimed records, into `root` (the full scanner's root 4), by
// the NTFS scanner's lost-records rules (`ntfs/lost_records_tree.*`).
void FileUnclaimedRecords(ScanNode& root, std::vector<ScanNode> records, NamePool& names,
                          const std::atomic<std::uint32_t>& stop);

}  // namespace tundrel
