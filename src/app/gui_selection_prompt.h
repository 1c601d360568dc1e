#pragma once
// The full scan's question when it has nothing to look for: the message, then the options on
// their file-type page, on the user-interface thread while the scan thread waits.

#include "scan/selection_prompt.h"
#include "support/settings.h"

class QWidget;

namespace tundrel::app {

class GuiSelectionPrompt : public SelectionPrompt {
public:
    // `settings` are the running scan's, which its thread reads again after the answer.
    GuiSelectionPrompt(QWidget& window, Settings& settings) : window_(window), settings_(settings) {}
    bool AskForSelection(const std::u16string& message) override;

private:
    QWidget& window_;
    Settings& settings_;
};

}  // namespace tundrel::app
