#include "app/dialog_buttons.h"

#include <QBoxLayout>
#include <QDialog>
#include <QPushButton>

#include "app/ui_text.h"

namespace tundrel::app {

QDialogButtonBox* AddDialogButtons(QDialog& dialog, QBoxLayout& layout, QDialogButtonBox::StandardButtons which) {
    auto* buttons = new QDialogButtonBox(which, &dialog);
    if (QPushButton* ok = buttons->button(QDialogButtonBox::Ok)) ok->setText(UiText(StringId::AnswerOk));
    if (QPushButton* cancel = buttons->button(QDialogButtonBox::Cancel)) cancel->setText(UiText(StringId::AnswerCancel));
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    layout.addWidget(buttons);
    return buttons;
}

}  // namespace tundrel::app
