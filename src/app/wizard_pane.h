#pragma once
// What every pane of the wizard answers: the prompt it shows, the three buttons of the window
// as it wants them, Next, Back and the third button, and being brought forward.

#include <QString>
#include <QWidget>

#include "support/strings.h"

namespace tundrel::app {

class CMainWindow;

struct PaneButtons {
    QString next;
    QString back;
    QString third;  // empty: the pane has no third button
    QString thirdTip;
    bool nextEnabled = true;
    bool backEnabled = true;
    bool thirdEnabled = true;
};

class WizardPane : public QWidget {
    Q_OBJECT
public:
    explicit WizardPane(CMainWindow& wizard);

    virtual StringId Prompt() const = 0;
    virtual PaneButtons Buttons() const;
    // Brought forward: refresh what it lists.
    virtual void OnShown() {}
    virtual void Next() {}
    // The selection panes go back to the mode choice.
    virtual void Back();
    virtual void Third() {}

protected:
    CMainWindow& wizard_;
};

}  // namespace tundrel::app
