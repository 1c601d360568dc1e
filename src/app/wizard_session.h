#pragma once
// What the wizard holds between its panes: the settings, the chosen mode, the scan tasks the
// selection panes made, and the last scan run with its results.

#include <filesystem>
#include <memory>
#include <vector>

#include "export/export_counters.h"
#include "modes/scan_session.h"
#include "scan/result_file.h"
#include "scan/scan_task.h"
#include "support/settings.h"

namespace tundrel::app {

// Numbered as the mode word a saved result keeps (ResultMode).
enum class RecoveryMode { DeletedFiles = 0, FormattedVolume = 1, LostPartition = 2, FullScan = 3 };

struct WizardSession {
    WizardSession();

    // The results of the last run, kept until the next run or the way back to the start.
    bool HasResults() const;
    // A fresh run: the results before it are dropped and the settings copied into it.
    ScanSession& BeginRun();
    // A fresh run from a saved result in place of a scan, left as a finished scan leaves its
    // run, its results counted as saved and the mode the file's. A file that gives nothing to
    // show (damaged, or a source that did not open) leaves no results. `reconnect` asks for a
    // lost source later on and must outlive the results.
    OpenedResults OpenRun(const std::filesystem::path& file, bool compareIdentity, ReconnectPrompt* reconnect);
    void DiscardResults();

    Settings settings;  // as the options dialog leaves them
    RecoveryMode mode = RecoveryMode::DeletedFiles;
    std::vector<ScanTask> tasks;
    std::unique_ptr<ScanSession> scan;
    FolderRenameCounter folderRenames;  // one for the program's whole run
};

}  // namespace tundrel::app
