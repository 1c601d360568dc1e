#pragma once
// A scan made on behalf of one command: the tasks chosen by the options, the run with its
// progress display and stop on Ctrl-C, and finding nodes by address afterwards.

#include <iosfwd>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cli/node_address.h"
#include "scan/scan_context.h"
#include "scan/scan_progress.h"
#include "scan/scan_run.h"
#include "support/settings.h"

namespace CLI {
class App;
}

namespace tundrel::cli {

struct ScanCommandOptions {
    std::string source;
    std::string mode = "deleted";
    std::string volume;  // empty: the default choice; "all"; or a start sector
    bool json = false;
    bool quiet = false;
};

// Adds SOURCE, --mode, --volume, --json and -q to a command.
void AddScanOptions(CLI::App& command, ScanCommandOptions& options);

struct FoundNode {
    VolumeScanner* scanner = nullptr;
    ScanNode* node = nullptr;
};

class ScanSession {
public:
    ScanSession();
    ~ScanSession();

    // Builds the tasks and runs them; returns an exit status (kExitSuccess when it scanned,
    // kExitStopped when the user stopped it, with what was found kept).
    int Run(const ScanCommandOptions& options, std::ostream& err);

    // The scanners in run order: the V of a node address.
    std::vector<VolumeScanner*> Scanners() const;
    std::optional<FoundNode> Find(const NodeAddress& address);

    Settings settings;
    ScanProgress progress;
    std::vector<std::unique_ptr<ScanContext>> contexts;
    ScanRunSummary summary;
};

}  // namespace tundrel::cli
