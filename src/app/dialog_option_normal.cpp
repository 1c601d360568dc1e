#include "app/dialog_option_normal.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
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

// The code pages offered, by their ICU names: the ones FAT volumes and old documents were
// mostly written in.
constexpr const char* kCodePages[] = {"CP932",        "windows-1252", "CP437",        "CP850",       "CP936",
                                      "CP949",        "CP950",        "windows-1250", "windows-1251"};

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
    auto* codePageLine = new QHBoxLayout;
    codePageLine->addWidget(new QLabel(UiText(StringId::OptionCodePage), this));
    codePage_ = new QComboBox(this);
    for (const char* name : kCodePages) codePage_->addItem(QString::fromLatin1(name));
    const QString current = QString::fromStdString(settings.ansiCodePage);
    if (codePage_->findText(current) < 0) codePage_->addItem(current);
    codePage_->setCurrentText(current);
    codePageLine->addWidget(codePage_);
    codePageLine->addStretch();
    layout->addLayout(codePageLine);
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
    settings.ansiCodePage = codePage_->currentText().toStdString();
}

}  // namespace tundrel::app
