#pragma once
// The one window of the wizard: the step caption and the prompt above the pane on show, About,
// Options and Help, and Next, Back and the pane's third button below it. It owns every pane
// and leads from one to the next.

#include <QWidget>
#include <string>
#include <vector>

#include "app/wizard_session.h"
#include "scan/scan_task.h"

class QLabel;
class QPushButton;
class QStackedWidget;

namespace tundrel::app {

class WizardPane;
class CPaneModSel;
class CPaneDelete;
class CPaneFormat;
class CPanePartition;
class CPaneRaw;
class CPaneScanStatus;
class CPaneBrowse;
class CPaneExport;

class CMainWindow : public QWidget {
    Q_OBJECT
public:
    CMainWindow();
    ~CMainWindow() override;

    WizardSession& Session() { return session_; }
    int Step() const { return step_; }
    QString StepCaption() const;
    QString PromptText() const;

    // The moves between panes; each sets the step caption and the prompt.
    void ShowModeChoice();
    void ShowPane(WizardPane& pane, int stepDelta);
    void ShowModePane(RecoveryMode mode);
    void StartScan(std::vector<ScanTask> tasks);
    void ShowResults();
    void StartExport(const std::string& destination);
    void BackToResults();
    // The pane on show changed what its buttons offer.
    void RefreshButtons();
    // A scan is running: the question on closing says so.
    bool ScanRunning() const;

    void ShowAbout();
    void ShowOptions();
    void ShowHelp();

    WizardPane* CurrentPane() const;
    CPaneModSel& ModePane() const { return *modeSelect_; }
    CPaneDelete& DeletePane() const { return *deletePane_; }
    CPaneFormat& FormatPane() const { return *formatPane_; }
    CPanePartition& PartitionPane() const { return *partitionPane_; }
    CPaneRaw& RawPane() const { return *rawPane_; }
    CPaneScanStatus& ScanStatusPane() const { return *scanStatus_; }
    CPaneBrowse& BrowsePane() const { return *browse_; }
    CPaneExport& ExportPane() const { return *export_; }
    QPushButton& NextButton() const { return *next_; }
    QPushButton& BackButton() const { return *back_; }
    QPushButton& ThirdButton() const { return *third_; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    WizardSession session_;
    int step_ = 1;
    QLabel* caption_;
    QLabel* prompt_;
    QStackedWidget* panes_;
    QPushButton* back_;
    QPushButton* next_;
    QPushButton* third_;
    CPaneModSel* modeSelect_;
    CPaneDelete* deletePane_;
    CPaneFormat* formatPane_;
    CPanePartition* partitionPane_;
    CPaneRaw* rawPane_;
    CPaneScanStatus* scanStatus_;
    CPaneBrowse* browse_;
    CPaneExport* export_;
};

}  // namespace tundrel::app
