#include "app/wizard_session.h"

#include "modes/all_scanners.h"
#include "scan/volume_scanner.h"

namespace tundrel::app {

WizardSession::WizardSession() : scan(std::make_unique<ScanSession>()) {}

bool WizardSession::HasResults() const {
    for (const VolumeScanner* scanner : scan->Scanners()) {
        for (const ScanNode& root : scanner->roots.roots) {
            if (!root.children.empty()) return true;
        }
    }
    return false;
}

ScanSession& WizardSession::BeginRun() {
    scan = std::make_unique<ScanSession>();
    scan->settings = settings;
    return *scan;
}

OpenedResults WizardSession::OpenRun(const std::filesystem::path& file, bool compareIdentity, ReconnectPrompt* reconnect) {
    ScanSession& run = BeginRun();
    ScanEnvironment environment{run.settings, run.progress, AllScanners(), reconnect};
    const OpenedResults opened = OpenScanResults(file, environment, run.contexts, compareIdentity);
    // The tasks read before a source that did not open are dropped, as the command line drops them.
    if (opened.status == ResultOpenStatus::FormatError || opened.status == ResultOpenStatus::SourceNotOpened) {
        DiscardResults();
        return opened;
    }
    tasks.clear();  // the selection panes' tasks belong to no run of these results
    if (opened.resultMode <= static_cast<std::uint32_t>(RecoveryMode::FullScan)) {
        mode = static_cast<RecoveryMode>(opened.resultMode);
    }
    run.summary.nothingFound = !HasResults();
    run.progress.resultsSaved = 1;
    return opened;
}

void WizardSession::DiscardResults() { scan = std::make_unique<ScanSession>(); }

}  // namespace tundrel::app
