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
};

TaskPlan BuildScanTasks(const ScanCommandOptions& options, ScannerTable scanners);

}  // namespace tundrel::cli
