#include "app/questions.h"

#include <QMessageBox>
#include <QPushButton>

#include "app/ui_text.h"

namespace tundrel::app {

bool AskYesNo(QWidget* parent, const QString& text) {
    QMessageBox box(QMessageBox::Question, UiText(StringId::InformationCaption), text,
                    QMessageBox::Yes | QMessageBox::No, parent);
    box.button(QMessageBox::Yes)->setText(UiText(StringId::AnswerYes));
    box.button(QMessageBox::No)->setText(UiText(StringId::AnswerNo));
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

void TellInformation(QWidget* parent, const QString& text) {
    QMessageBox box(QMessageBox::Information, UiText(StringId::InformationCaption), text, QMessageBox::Ok, parent);
    box.button(QMessageBox::Ok)->setText(UiText(StringId::AnswerOk));
    box.exec();
}

void TellWarning(QWidget* parent, const QString& text) {
    QMessageBox box(QMessageBox::Warning, UiText(StringId::InformationCaption), text, QMessageBox::Ok, parent);
    box.button(QMessageBox::Ok)->setText(UiText(StringId::AnswerOk));
    box.exec();
}

}  // namespace tundrel::app
