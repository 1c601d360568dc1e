#include "app/dialog_about.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/dialog_buttons.h"
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
    AddDialogButtons(*this, *layout, QDialogButtonBox::Ok);
}

}  // namespace tundrel::app
