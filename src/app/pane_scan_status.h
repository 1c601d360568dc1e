#pragma once
// The scan in progress: the scan runs on its own thread while a 200 ms timer shows its
// progress block; Stop asks first; Next leads to the results once the scan has ended.

#include <memory>

#include "app/background_job.h"
#include "app/wizard_pane.h"
#include "scan/progress_display.h"

class QLabel;
class QProgressBar;
class QPushButton;
class QTimer;

namespace tundrel::app {

class GuiReconnectPrompt;
class GuiSelectionPrompt;

class CPaneScanStatus : public WizardPane {
    Q_OBJECT
public:
    explicit CPaneScanStatus(CMainWindow& wizard);
    ~CPaneScanStatus() override;

    StringId Prompt() const override { return StringId::PromptScanning; }
    PaneButtons Buttons() const override;
    void OnShown() override;
    void Next() override;

    bool Running() const { return job_.Running(); }
    bool Ended() const { return ended_; }
    // Asks, then stops the scan; what was found is kept.
    void RequestStop();
    // Stops without asking and waits for the scan thread, for the window that closes.
    void StopAndWait();
    // Redraws from the progress block as the timer does at `now`.
    void Refresh(ProgressDisplay::Clock::time_point now);

    QString TitleText() const;
    QString TimesText() const;
    QPushButton& StopButton() const { return *stop_; }

private:
    void Tick();
    void Finish();

    BackgroundJob job_;
    std::unique_ptr<GuiReconnectPrompt> reconnect_;
    std::unique_ptr<GuiSelectionPrompt> selection_;
    ProgressDisplay display_;
    QTimer* timer_;
    QLabel* title_;
    QLabel* status_;
    QLabel* current_;
    QProgressBar* bar_;
    QLabel* count_;
    QLabel* size_;
    QLabel* times_;
    QLabel* outcome_;
    QPushButton* stop_;
    bool ended_ = false;
};

}  // namespace tundrel::app
