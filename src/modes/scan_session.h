#pragma once
// One scan run and its results, as a front end holds them: the settings and progress of the
// run, a context per task, and finding nodes by path afterwards.

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "disk/reconnect_prompt.h"
#include "scan/result_tree.h"
#include "scan/scan_context.h"
#include "scan/scan_progress.h"
#include "scan/scan_run.h"
#include "support/settings.h"

namespace tundrel {

// One step of a path below a root folder.
struct NodeStep {
    std::u16string name;
    unsigned ordinal = 1;  // the n-th sibling of that name, in child order
};

struct FoundNode {
    VolumeScanner* scanner = nullptr;
    ScanNode* node = nullptr;
};

class ScanSession {
public:
    ScanSession();
    ~ScanSession();
    ScanSession(const ScanSession&) = delete;
    ScanSession& operator=(const ScanSession&) = delete;

    // Runs the tasks in order on the calling thread with every scanner of the engine; a lost
    // source is asked for again through `reconnect` (null: never). Keeps the summary.
    const ScanRunSummary& Run(std::span<const ScanTask> tasks, ReconnectPrompt* reconnect);

    // The scanners in run order.
    std::vector<VolumeScanner*> Scanners() const;
    // The node reached from root folder `root` of the `volume`-th scanner by `steps`; children
    // are filled on the way.
    std::optional<FoundNode> Find(std::size_t volume, RootIndex root, std::span<const NodeStep> steps) const;

    Settings settings;
    ScanProgress progress;
    std::vector<std::unique_ptr<ScanContext>> contexts;
    ScanRunSummary summary;
};

}  // namespace tundrel
