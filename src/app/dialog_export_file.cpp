#include "app/dialog_export_file.h"

#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "app/dialog_buttons.h"
#include "app/ui_text.h"
#include "disk/destination_drives.h"
#include "support/display_format.h"

namespace tundrel::app {

CDialogExportFile::CDialogExportFile(QWidget* parent)
    : QDialog(parent), folder_(new QLineEdit(this)), drives_(new QTreeWidget(this)) {
    setWindowTitle(UiText(StringId::ExportDestinationTitle));
    resize(560, 360);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(UiText(StringId::ExportDestinationTitle), this));
    drives_->setRootIsDecorated(false);
    drives_->setHeaderLabels({UiText(StringId::SourceColumnName), UiText(StringId::SourceColumnFileSystem),
                              UiText(StringId::SourceColumnSize)});
    drives_->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    for (const DestinationDrive& drive : ListDestinationDrives()) {
        new QTreeWidgetItem(drives_, {QString::fromStdString(drive.mountPoint), QString::fromStdString(drive.fsType),
                                      UiFormatted(StringId::FreeOfTotal, FormatSize(drive.freeBytes).c_str(),
                                                  FormatSize(drive.totalBytes).c_str())});
    }
    connect(drives_, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
        if (item != nullptr) folder_->setText(item->text(0));
    });
    layout->addWidget(drives_, 1);

    auto* row = new QHBoxLayout;
    row->addWidget(new QLabel(UiText(StringId::ExportDestinationFolder), this));
    row->addWidget(folder_, 1);
    auto* browse = new QPushButton(UiText(StringId::ChooseFolder), this);
    connect(browse, &QPushButton::clicked, this, [this] {
        const QString chosen = QFileDialog::getExistingDirectory(this, UiText(StringId::ExportDestinationTitle),
                                                                 folder_->text(), QFileDialog::DontUseNativeDialog);
        if (!chosen.isEmpty()) folder_->setText(chosen);
    });
    row->addWidget(browse);
    layout->addLayout(row);

    auto* warning = new QLabel(UiText(StringId::ExportDestinationWarning), this);
    warning->setWordWrap(true);
    warning->setStyleSheet(QStringLiteral("color: #b00000;"));
    layout->addWidget(warning);

    AddDialogButtons(*this, *layout);
}

std::string CDialogExportFile::Destination() const { return folder_->text().trimmed().toStdString(); }

void CDialogExportFile::accept() {
    if (Destination().empty()) return;
    QDialog::accept();
}

}  // namespace tundrel::app
