#include "app/dialog_option_file_type.h"

#include <QCheckBox>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "app/ui_text.h"

namespace tundrel::app {

CDialogOptionFileType::CDialogOptionFileType(const Settings& settings, QWidget* parent)
    : QWidget(parent), types_(new QTreeWidget(this)), dropListedFinds_(new QCheckBox(UiText(StringId::OptionDropListedFinds), this)) {
    auto* layout = new QVBoxLayout(this);
    types_->setHeaderLabels({UiText(StringId::FileTypeHeading)});
    types_->setRootIsDecorated(false);
    for (std::size_t i = 0; i < kCarveTypes.size(); ++i) {
        auto* item = new QTreeWidgetItem(types_, {UiText(kCarveTypes[i].caption)});
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(0, settings.carveTypes[i] ? Qt::Checked : Qt::Unchecked);
    }
    layout->addWidget(types_);
    dropListedFinds_->setChecked(settings.dropListedFinds);
    layout->addWidget(dropListedFinds_);
}

void CDialogOptionFileType::Store(Settings& settings) const {
    for (std::size_t i = 0; i < kCarveTypes.size(); ++i) {
        settings.carveTypes[i] = types_->topLevelItem(static_cast<int>(i))->checkState(0) == Qt::Checked;
    }
    settings.dropListedFinds = dropListedFinds_->isChecked();
}

}  // namespace tundrel::app
