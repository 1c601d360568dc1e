#pragma once
// What the wizard holds between its panes: the settings, the chosen mode, the scan tasks the
// selection panes made, and the last scan run with its results.

#include <memory>
#include <vector>

#include "export/export_counters.h"
#include "modes/scan_session.h"
#include "scan/scan_task.h"
#include "support/settings.h"

namespace tundrel::app {

enum class RecoveryMode { DeletedFiles = 0, FormattedVolume = 1, LostPartition = 2, FullScan = 3 };

struct WizardSession {
    WizardSession();

    // The results of the last run, kept until the next run or the way back to the start.
    bool HasResults() const;
    // A fresh run: the results before it are dropped and the settings copied into it.
    ScanSession& BeginRun();
    void DiscardResults();

    Settings settings;  // as the options dialog leaves them
    RecoveryMode mode = RecoveryMode::DeletedFiles;
    std::vector<ScanTask> tasks;
    std::unique_ptr<ScanSession> scan;
    FolderRenameCounter folderRenames;  // one for the program's whole run
};

}  // namespace tundrel::app
