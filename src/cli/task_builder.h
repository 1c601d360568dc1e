#pragma once
// Turns the scan options of a command into scan tasks.

#include <string>
#include <vector>

#include "cli/scan_session.h"
#include "scan/scan_task.h"
#include "scan/scanner_table.h"

namespace tundrel::cli {

struct TaskPlan {
    std::vector<ScanTask> tasks;
    int exitCode = 0;   // non-zero when no task could be built
    std::string error;  // the reason, one line
    std::vector<std::string> notes;  // one line per volume left out, printed before the scan
};

// Without --volume (or with "all"): a source whose sector 0 is a boot sector is one volume,
// any other source gives one task per partition listed in its table. --volume START picks
// the volume that starts there. Volumes whose type has no scanner are left out with a note.
TaskPlan BuildScanTasks(const ScanCommandOptions& options, ScannerTable scanners);

}  // namespace tundrel::cli
