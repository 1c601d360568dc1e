#pragma once
// The export in progress: it runs on its own thread while a 200 ms timer shows the counters,
// the speed and the per-file log by level. Stop asks first; Back returns to the results, the
// third button to the start.

#include <memory>
#include <string>

#include "app/background_job.h"
#include "app/wizard_pane.h"
#include "export/export_counters.h"
#include "export/export_log.h"
#include "export/export_writer.h"

class QLabel;
class QProgressBar;
class QTimer;
class QTreeWidget;

namespace tundrel::app {

class GuiExportPrompt;

class CPaneExport : public WizardPane {
    Q_OBJECT
public:
    explicit CPaneExport(CMainWindow& wizard);
    ~CPaneExport() override;

    StringId Prompt() const override { return StringId::PromptExporting; }
    PaneButtons Buttons() const override;
    // The checks of the destination, then the export on its thread; false when a check
    // refused it (the user was told why).
    bool Start(const std::string& destination);
    // Asks, then stops the export.
    void Next() override;
    void Back() override;
    void Third() override;

    bool Running() const { return job_.Running(); }
    void StopAndWait();
    const ExportOutcome& Outcome() const { return outcome_; }
    QTreeWidget& LogList() const { return *log_; }
    QString OutcomeText() const;

private:
    void Tick();
    void Finish();

    BackgroundJob job_;
    std::unique_ptr<GuiExportPrompt> prompt_;
    std::unique_ptr<ExportLog> exportLog_;
    ExportCounters counters_;
    ExportRequest request_;
    ExportOutcome outcome_;
    std::uint64_t selectedBytes_ = 0;
    std::size_t shownEntries_ = 0;
    QTimer* timer_;
    QLabel* heading_;
    QLabel* status_;
    QProgressBar* current_;
    QProgressBar* overall_;
    QLabel* speed_;
    QTreeWidget* log_;
    QLabel* outcomeText_;
};

}  // namespace tundrel::app
