#include "app/gui_export_prompt.h"

#include <QWidget>

#include "app/dialog_big_file_list.h"
#include "app/dialog_file_exist_prompt.h"
#include "app/gui_thread_call.h"
#include "app/questions.h"
#include "app/ui_text.h"

namespace tundrel::app {

bool GuiExportPrompt::Confirm(StringId, const std::string& text) {
    return AskOnGuiThread<bool>(window_, [&] { return AskYesNo(&window_, DialogText(text)); });
}

bool GuiExportPrompt::ConfirmBigFiles(const std::string& text, const std::vector<std::string>& files) {
    return AskOnGuiThread<bool>(window_, [&] {
        CDialogBigFileList dialog(text, files, &window_);
        return dialog.exec() == QDialog::Accepted;
    });
}

CollisionAnswer GuiExportPrompt::AskCollision(const CollisionQuestion& question) {
    return AskOnGuiThread<CollisionAnswer>(window_, [&] {
        CDialoFileExistPrompt dialog(question, &window_);
        if (dialog.exec() != QDialog::Accepted) return CollisionAnswer{CollisionChoice::Skip, false, {}};
        return dialog.Answer();
    });
}

void GuiExportPrompt::Tell(StringId, const std::string& text) {
    AskOnGuiThread<bool>(window_, [&] {
        TellInformation(&window_, DialogText(text));
        return true;
    });
}

}  // namespace tundrel::app
