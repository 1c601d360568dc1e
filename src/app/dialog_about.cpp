#include "app/dialog_about.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/ui_text.h"

namespace tundrel::app {

CDialogAbout::CDialogAbout(QWidget* parent) : QDialog(parent) {
    setWindowTitle(UiText(StringId::AboutTitle));
    auto* layout = new QVBoxLayout(this);
    auto* name = new QLabel(UiFormatted(StringId::AboutVersion, TUNDREL_VERSION), this);
    QFont big = name->font();
    big.setPointSizeF(big.pointSizeF() * 1.4);
    big.setBold(true);
    name->setFont(big);
    layout->addWidget(name);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    buttons->button(QDialogButtonBox::Ok)->setText(UiText(StringId::AnswerOk));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(buttons);
}

}  // namespace tundrel::app
