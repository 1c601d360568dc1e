#include "app/gui_export_prompt.h"

#include <QMessageBox>
#include <QPushButton>
#include <QWidget>

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
        QMessageBox box(QMessageBox::Warning, UiText(StringId::InformationCaption), DialogText(text),
                        QMessageBox::Ok | QMessageBox::Cancel, &window_);
        box.button(QMessageBox::Ok)->setText(UiText(StringId::AnswerOk));
        box.button(QMessageBox::Cancel)->setText(UiText(StringId::AnswerCancel));
        QString list;
        for (const std::string& file : files) list += QString::fromStdString(file) + u'\n';
        box.setDetailedText(list);
        return box.exec() == QMessageBox::Ok;
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
