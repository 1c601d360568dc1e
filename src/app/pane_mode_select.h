#pragma once
// The first pane: the four recovery modes, each with what it is for.

#include <QButtonGroup>

#include "app/wizard_pane.h"
#include "app/wizard_session.h"

namespace tundrel::app {

class CPaneModSel : public WizardPane {
    Q_OBJECT
public:
    explicit CPaneModSel(CMainWindow& wizard);

    StringId Prompt() const override { return StringId::PromptModeChoice; }
    PaneButtons Buttons() const override;
    void Next() override;
    void Back() override {}

    RecoveryMode Chosen() const;
    void Choose(RecoveryMode mode);

private:
    QButtonGroup* modes_;
};

}  // namespace tundrel::app
