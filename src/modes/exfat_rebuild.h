#pragma once
// exFAT volumes rebuilt from the boot records the full scan's sweep found: each is scanned
// by an exFAT scanner of its own.

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "scan/full_scan_candidates.h"
#include "scan/scan_task.h"

namespace tundrel {

class ScanContext;
class SectorSource;
class VolumeScanner;

// What a scanner built by the full scan is given.
struct SubScannerSetting {
    ScanContext& context;
    SectorSource& source;    // the full scan's own source
    ScanOptions options{};   // the task's, with the fallback word 0: it never falls back again
};

// One scanned exFAT scanner per volume the boot records describe, with a root folder that
// holds something. A boot record is a volume's backup copy when the table it names starts 12
// sectors earlier than it says: the volume then starts there. A second record of a volume
// already built is passed over; a volume starting beyond the source, or beyond 32-bit
// sector numbers, is dropped, and one running past the source's end is cut there.
std::vector<std::unique_ptr<VolumeScanner>> RebuildExFatVolumes(const SubScannerSetting& setting,
                                                                std::span<const SectorCopy> boots);

}  // namespace tundrel
