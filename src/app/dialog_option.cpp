#include "app/dialog_option.h"

#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "app/dialog_buttons.h"
#include "app/dialog_option_file_type.h"
#include "app/dialog_option_normal.h"
#include "app/ui_text.h"

namespace tundrel::app {

CDialogOption::CDialogOption(Settings& settings, QWidget* parent)
    : QDialog(parent),
      settings_(settings),
      pages_(new QTabWidget(this)),
      normal_(new CDialogOptionNormal(settings, this)),
      fileTypes_(new CDialogOptionFileType(settings, this)) {
    setWindowTitle(UiText(StringId::WizardOptions));
    auto* layout = new QVBoxLayout(this);
    pages_->addTab(normal_, UiText(StringId::OptionsGeneralPage));
    pages_->addTab(fileTypes_, UiText(StringId::OptionsFileTypePage));
    layout->addWidget(pages_);
    AddDialogButtons(*this, *layout);
}

void CDialogOption::ShowFileTypePage() { pages_->setCurrentWidget(fileTypes_); }

void CDialogOption::accept() {
    const bool marked = settings_.markRecoverable;
    const bool metafiles = settings_.showMetafiles;
    normal_->Store(settings_);
    fileTypes_->Store(settings_);
    viewsChanged_ = marked != settings_.markRecoverable || metafiles != settings_.showMetafiles;
    QDialog::accept();
}

}  // namespace tundrel::app
