#pragma once
// Which scan tasks a request for one source makes: one volume, or every volume of its table.

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "disk/file_system_entry.h"
#include "scan/scan_task.h"
#include "scan/scanner_table.h"

namespace tundrel {

class LostPartitionReport;
struct VolumeInfo;

// Sectors FIRST to LAST of the source, both included.
struct SectorRange {
    std::uint32_t first = 0;
    std::uint32_t last = 0;
};

struct ScanRequest {
    std::string source;                        // as the platform layer names sources
    std::uint32_t mode = kModeDeletedFiles;    // a task mode of scan/scan_task.h
    std::optional<std::uint32_t> volumeStart;  // only the volume that starts at this sector
    std::optional<SectorRange> range = {};     // one task over these sectors alone
    // The formatted mode's sweep of a volume's free clusters: `mode` formatted, no range and no
    // volume start (the caller checks them).
    bool freeArea = false;
    bool lostPartitions = false;               // the volumes the lost-partition search finds
    // The lost-partition search's stop (set: it ends with what it found) and report; both may be null.
    const std::atomic<std::uint32_t>* searchStop = nullptr;
    LostPartitionReport* searchReport = nullptr;
};

enum class PlanRefusal { None, SourceUnreadable, NothingToScan, NotAVolume };

struct ScanPlan {
    std::vector<ScanTask> tasks;
    PlanRefusal refusal = PlanRefusal::None;
    std::string error;               // the reason of a refusal, one line
    std::vector<std::string> notes;  // one line per volume left out
};

// A source whose sector 0 is a boot sector is one volume; any other source gives one task per
// partition listed in its table, or only the one that starts at `volumeStart`. Volumes whose
// type has no scanner are left out with a note. The full scan is one task over the whole
// source, or over the volume that starts at `volumeStart`, whatever its table says. A range
// makes one task over its sectors: the full scan's, or in the other modes the scanner of the
// volume that starts at its first sector (the full scan's when none does). The free-area scan
// is one full-scan task in the formatted mode over the whole source, which must be a volume (a
// partition or a loop device, not an image or a whole disk): the full scanner then sweeps the
// clusters that the volume's allocation data calls free, so the files saved on the volume
// since it was formatted are not read again.
// The lost-partition recovery (full-scan mode) scans each volume the lost-partition search
// finds that is not mounted, or the one found at `volumeStart` (0 with no volume there: the
// whole disk), each by the scanner of its own file system.
ScanPlan PlanScanTasks(const ScanRequest& request, FileSystemTable fileSystems, ScannerTable scanners);

// The part of a listed volume a scan task carries: where it lies, its type and boot sector.
SelectedVolume SelectedVolumeOf(const VolumeInfo& volume);

}  // namespace tundrel
