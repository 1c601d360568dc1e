#pragma once
// The scan thread's procedure: runs a list of scan tasks one after another.

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "scan/scan_context.h"
#include "scan/scan_environment.h"
#include "scan/scan_task.h"

namespace tundrel {

struct ScanRunSummary {
    std::uint32_t fileCount = 0;   // files found in all trees
    std::uint64_t totalBytes = 0;  // their sizes
    bool stopped = false;          // the user asked to stop during the run
    bool nothingFound = true;      // every tree came out empty
};

// The front end's part of a run, called on the scan thread.
class ScanRunObserver {
public:
    virtual ~ScanRunObserver() = default;
    // After each task's scan, for the front end's own bookkeeping of the context.
    virtual void AfterScan(ScanContext&) {}
    // Once all tasks have run (or the run was stopped), before the progress block is cleared.
    virtual void RunFinished(const ScanRunSummary&) {}
};

// Runs every task in order on the calling thread, appending one context per task to
// `contexts`. A stop request skips the remaining tasks (all of them when it came before the
// run); what was found is kept. The progress block is cleared at the end, but for the stop
// request, which the front end clears when it starts another run.
ScanRunSummary RunScanTasks(std::span<const ScanTask> tasks, ScanEnvironment& environment,
                            std::vector<std::unique_ptr<ScanContext>>& contexts, ScanRunObserver* observer);

}  // namespace tundrel
