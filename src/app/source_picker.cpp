#include "app/source_picker.h"

#include <QHeaderView>
#include <QLabel>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <atomic>

#include "app/file_chooser.h"
#include "app/questions.h"
#include "app/ui_text.h"
#include "disk/fs_type.h"
#include "disk/partition_list.h"
#include "disk/physical_disks.h"
#include "disk/volume_list.h"
#include "modes/all_scanners.h"
#include "modes/open_source.h"
#include "platform/disk_list.h"
#include "support/display_format.h"
#include "support/text.h"

namespace tundrel::app {
namespace {

constexpr int kRemainingAreaColumn = 4;

QString SourceText(const std::string& text) { return QString::fromStdString(text); }

}  // namespace

SourcePicker::SourcePicker(SourceKind kind, bool remainingAreaColumn, QWidget* parent)
    : QWidget(parent),
      kind_(kind),
      remainingAreaColumn_(remainingAreaColumn),
      notice_(new QLabel(UiText(StringId::DisksNotReadable), this)),
      list_(new QTreeWidget(this)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    notice_->setWordWrap(true);
    notice_->setStyleSheet(QStringLiteral("color: #a04000;"));
    notice_->hide();
    layout->addWidget(notice_);
    QStringList headers{UiText(StringId::SourceColumnName), UiText(StringId::SourceColumnFileSystem),
                        UiText(StringId::SourceColumnSize), UiText(StringId::SourceColumnDetail)};
    if (remainingAreaColumn_) headers << UiText(StringId::ScanRemainingArea);
    list_->setHeaderLabels(headers);
    list_->setRootIsDecorated(false);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    layout->addWidget(list_);
}

void SourcePicker::AddRow(const SourceChoice& choice, const QStringList& texts, std::uint32_t fsType) {
    auto* item = new QTreeWidgetItem(list_, texts);
    if (remainingAreaColumn_) {
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        // Preset for NTFS, whose free space the deleted-file scan does not otherwise read.
        item->setCheckState(kRemainingAreaColumn, fsType == kFsNtfs ? Qt::Checked : Qt::Unchecked);
    }
    choices_.push_back(choice);
}

void SourcePicker::Refresh() {
    list_->clear();
    choices_.clear();
    const FileSystemTable fileSystems = AllFileSystems();
    bool anyMachineSource = false;
    if (kind_ != SourceKind::Volumes) {
        for (const DiskRow& disk : ListPhysicalDisks()) {
            anyMachineSource = true;
            AddRow({disk.sourceName, std::nullopt, disk.totalSectors, false},
                   {SourceText(disk.displayText), QString(), SourceText(disk.sizeText), SourceText(disk.devicePath + "  " + disk.model)},
                   kFsRaw);
        }
    }
    if (kind_ != SourceKind::Disks) {
        for (const VolumeChoice& volume : ListVolumeChoices(fileSystems)) {
            anyMachineSource = true;
            const VolumeRow& row = volume.row;
            const std::uint32_t fsType = VolumeTypeOf(row.sourceName, fileSystems).fsType;
            AddRow({row.sourceName, std::nullopt, row.totalSectors, false},
                   {SourceText(row.devicePath), SourceText(row.fsName), SourceText(row.sizeText), SourceText(row.label + "  " + row.mountPoint)},
                   fsType);
        }
    }
    // Disks that exist but do not open: the program lacks the right to read them.
    notice_->setVisible(!anyMachineSource && !platform::ListWholeDisks().empty());
    for (const std::string& image : images_) AddImageRows(image);
}

void SourcePicker::AddImageRows(const std::string& path) {
    const QString name = QString::fromStdString(path).section(u'/', -1);
    if (kind_ != SourceKind::Volumes) {
        if (const auto row = ImageRowOf(path)) {
            AddRow({path, std::nullopt, row->totalSectors, false}, {name, QString(), SourceText(row->sizeText), SourceText(path)},
                   kFsRaw);
        }
    }
    if (kind_ == SourceKind::Disks) return;
    SectorSource source;
    if (OpenReadableSource(source, path)) return;
    const std::atomic<std::uint32_t> never{0};
    for (const VolumeInfo& volume : ListSourceVolumes(source, never, AllFileSystems())) {
        const QString where = QStringLiteral("%1 @%2").arg(name).arg(volume.startSector);
        AddRow({path, volume.startSector, volume.sectorCount, false},
               {where, SourceText(std::string(TypeName(volume.fsType))),
                SourceText(FormatSize(std::uint64_t{volume.sectorCount} * kSectorBytes)), FromUtf16(volume.label)},
               volume.fsType);
    }
}

bool SourcePicker::OpenImage() {
    const QString path = AskForImageFile(this);
    return !path.isEmpty() && AddImage(path.toStdString());
}

bool SourcePicker::AddImage(const std::string& path) {
    const std::size_t before = choices_.size();
    AddImageRows(path);
    if (choices_.size() == before) {
        TellWarning(this, UiFormatted(StringId::ImageNotReadable, path.c_str()));
        return false;
    }
    images_.push_back(path);
    list_->setCurrentItem(list_->topLevelItem(static_cast<int>(before)));
    return true;
}

std::optional<SourceChoice> SourcePicker::Selected() const {
    QTreeWidgetItem* item = list_->currentItem();
    if (item == nullptr || !item->isSelected()) return std::nullopt;
    const int row = list_->indexOfTopLevelItem(item);
    if (row < 0 || static_cast<std::size_t>(row) >= choices_.size()) return std::nullopt;
    SourceChoice choice = choices_[static_cast<std::size_t>(row)];
    choice.scanRemainingArea = remainingAreaColumn_ && item->checkState(kRemainingAreaColumn) == Qt::Checked;
    return choice;
}

}  // namespace tundrel::app
