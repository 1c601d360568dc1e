#include "app/dialog_option_normal.h"

#include <QCheckBox>
#include <QVBoxLayout>

#include "app/ui_text.h"

namespace tundrel::app {
namespace {

QCheckBox* AddOptionBox(QVBoxLayout& layout, QWidget* parent, StringId caption, bool on) {
    auto* box = new QCheckBox(UiText(caption), parent);
    box->setChecked(on);
    layout.addWidget(box);
    return box;
}

}  // namespace

CDialogOptionNormal::CDialogOptionNormal(const Settings& settings, QWidget* parent) : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    markRecoverable_ = AddOptionBox(*layout, this, StringId::OptionMarkRecoverable, settings.markRecoverable);
    showMetafiles_ = AddOptionBox(*layout, this, StringId::OptionShowMetafiles, settings.showMetafiles);
    fullScanFat_ = AddOptionBox(*layout, this, StringId::OptionFullScanFat, settings.fullScanFat);
    fullScanNtfs_ = AddOptionBox(*layout, this, StringId::OptionFullScanNtfs, settings.fullScanNtfs);
    fullScanExFat_ = AddOptionBox(*layout, this, StringId::OptionFullScanExFat, settings.fullScanExFat);
    carveInDeletedMode_ = AddOptionBox(*layout, this, StringId::OptionCarveInDeletedMode, settings.carveInDeletedMode);
    promptReconnect_ = AddOptionBox(*layout, this, StringId::OptionPromptReconnect, settings.promptReconnect.load());
    layout->addStretch();
}

void CDialogOptionNormal::Store(Settings& settings) const {
    settings.markRecoverable = markRecoverable_->isChecked();
    settings.showMetafiles = showMetafiles_->isChecked();
    settings.fullScanFat = fullScanFat_->isChecked();
    settings.fullScanNtfs = fullScanNtfs_->isChecked();
    settings.fullScanExFat = fullScanExFat_->isChecked();
    settings.carveInDeletedMode = carveInDeletedMode_->isChecked();
    settings.promptReconnect = promptReconnect_->isChecked();
}

}  // namespace tundrel::app
