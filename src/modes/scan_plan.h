#pragma once
// Which scan tasks a request for one source makes: one volume, or every volume of its table.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "disk/file_system_entry.h"
#include "scan/scan_task.h"
#include "scan/scanner_table.h"

namespace tundrel {

struct ScanRequest {
    std::string source;                        // as the platform layer names sources
    std::uint32_t mode = kModeDeletedFiles;    // a task mode of scan/scan_task.h
    std::optional<std::uint32_t> volumeStart;  // only the volume that starts at this sector
};

enum class PlanRefusal { None, SourceUnreadable, NothingToScan };

struct ScanPlan {
    std::vector<ScanTask> tasks;
    PlanRefusal refusal = PlanRefusal::None;
    std::string error;               // the reason of a refusal, one line
    std::vector<std::string> notes;  // one line per volume left out
};

// A source whose sector 0 is a boot sector is one volume; any other source gives one task per
// partition listed in its table, or only the one that starts at `volumeStart`. Volumes whose
// type has no scanner are left out with a note. The full scan takes each area whatever its
// table says, and a source without volumes whole.
ScanPlan PlanScanTasks(const ScanRequest& request, FileSystemTable fileSystems, ScannerTable scanners);

}  // namespace tundrel
