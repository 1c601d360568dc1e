#pragma once
// The first pane: the four recovery modes, each with what it is for, and the opening of a
// saved scan result.

#include <QButtonGroup>
#include <memory>

#include "app/wizard_pane.h"
#include "app/wizard_session.h"

namespace tundrel::app {

class GuiReconnectPrompt;

class CPaneModSel : public WizardPane {
    Q_OBJECT
public:
    explicit CPaneModSel(CMainWindow& wizard);
    ~CPaneModSel() override;

    StringId Prompt() const override { return StringId::PromptModeChoice; }
    PaneButtons Buttons() const override;
    void Next() override;
    void Back() override {}
    // Opens a saved scan result chosen in a file chooser and shows its results.
    void Third() override;

    RecoveryMode Chosen() const;
    void Choose(RecoveryMode mode);

private:
    // Opens `file` in place of a scan; false, after saying why, when there is nothing to show.
    bool OpenResults(const QString& file);

    QButtonGroup* modes_;
    std::unique_ptr<GuiReconnectPrompt> reconnect_;  // for the sources of opened results
};

}  // namespace tundrel::app
