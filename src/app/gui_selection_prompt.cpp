#include "app/gui_selection_prompt.h"

#include <QWidget>

#include "app/dialog_option.h"
#include "app/gui_thread_call.h"
#include "app/questions.h"
#include "app/ui_text.h"
#include "support/text.h"

namespace tundrel::app {

bool GuiSelectionPrompt::AskForSelection(const std::u16string& message) {
    return AskOnGuiThread<bool>(window_, [&] {
        TellWarning(&window_, DialogText(ToUtf8(message)));
        CDialogOption options(settings_, &window_);
        options.ShowFileTypePage();
        return options.exec() == QDialog::Accepted;
    });
}

}  // namespace tundrel::app
