#pragma once
// A pane that offers sources to scan in one mode: Next plans the tasks for the chosen row and
// starts the scan; the third button opens an image file.

#include <optional>
#include <vector>

#include "app/source_picker.h"
#include "app/wizard_pane.h"
#include "modes/scan_plan.h"

namespace tundrel::app {

class SourceSelectPane : public WizardPane {
    Q_OBJECT
public:
    SourceSelectPane(CMainWindow& wizard, SourceKind kind, bool remainingAreaColumn);

    PaneButtons Buttons() const override;
    void OnShown() override { picker_->Refresh(); }
    void Next() override;
    void Third() override { picker_->OpenImage(); }

    SourcePicker& Picker() const { return *picker_; }

protected:
    // The scan request for the chosen row, with the settings it changes; nothing to stay.
    virtual std::optional<ScanRequest> RequestFor(const SourceChoice& choice) = 0;
    // The planned tasks, changed by the pane's own settings before the scan starts.
    virtual void SettleTasks(std::vector<ScanTask>&) {}

    SourcePicker* picker_;
};

// The tasks of a request; empty (the user told why) when the source cannot be scanned.
std::vector<ScanTask> PlanTasksOrTell(QWidget* parent, const ScanRequest& request);

}  // namespace tundrel::app
