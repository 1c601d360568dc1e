#include "app/wizard_pane.h"

#include "app/main_window.h"
#include "app/ui_text.h"

namespace tundrel::app {

WizardPane::WizardPane(CMainWindow& wizard) : QWidget(&wizard), wizard_(wizard) {}

PaneButtons WizardPane::Buttons() const {
    PaneButtons buttons;
    buttons.next = UiText(StringId::WizardNext);
    buttons.back = UiText(StringId::WizardBack);
    return buttons;
}

void WizardPane::Back() { wizard_.ShowModeChoice(); }

}  // namespace tundrel::app
