#include "scan/scan_run.h"

#include "scan/result_tree.h"
#include "scan/volume_scanner.h"
#include "support/strings.h"

namespace tundrel {
namespace {

void CountFiles(const ScanNode& node, ScanRunSummary& summary) {
    for (const ScanNode& child : node.children) {
        if (child.IsDirectory()) {
            CountFiles(child, summary);
        } else if (!child.Has(kFlagStream)) {
            ++summary.fileCount;
            summary.totalBytes += child.size;
        }
    }
}

void AddUpTrees(const std::vector<std::unique_ptr<ScanContext>>& contexts, ScanRunSummary& summary) {
    for (const auto& context : contexts) {
        for (const auto& scanner : context->scanners) {
            for (std::size_t index = 0; index < kRootCount; ++index) {
                const ScanNode& root = scanner->roots.roots[index];
                if (!root.children.empty()) summary.nothingFound = false;
                // The recently deleted root holds copies of files counted elsewhere.
                if (index != static_cast<std::size_t>(RootIndex::Recent)) CountFiles(root, summary);
            }
        }
    }
}

}  // namespace

ScanRunSummary RunScanTasks(std::span<const ScanTask> tasks, ScanEnvironment& environment,
                            std::vector<std::unique_ptr<ScanContext>>& contexts, ScanRunObserver* observer) {
    ScanProgress& progress = environment.progress;
    progress.Clear();
    progress.taskCount = static_cast<std::uint32_t>(tasks.size());
    progress.scanning = 1;

    std::uint32_t number = 0;
    for (const ScanTask& task : tasks) {
        if (progress.StopRequested()) break;
        progress.taskNumber = ++number;
        progress.totalUnits = 0;
        progress.doneUnits = 0;
        progress.foundBytes = 0;
        progress.busy = 0;
        progress.timing = 0;
        progress.taskMode = task.mode;

        contexts.push_back(std::make_unique<ScanContext>(environment, task));
        ScanContext& context = *contexts.back();
        progress.SetTargetName(task.sourceName);
        if (!context.source.Open(task.sourceName)) {
            context.state = ContextState::SourceNotOpened;
            continue;
        }
        CreateScannerFor(context);
        if (observer != nullptr) observer->AfterScan(context);
    }

    ScanRunSummary summary;
    summary.stopped = progress.StopRequested();
    AddUpTrees(contexts, summary);
    progress.foundCount = summary.fileCount;
    progress.foundBytes = summary.totalBytes;
    progress.SetStatusText(Text16(StringId::RefreshingTree));
    if (observer != nullptr) observer->RunFinished(summary);
    progress.Clear();
    return summary;
}

}  // namespace tundrel
