#include "app/pane_partition.h"

#include <QHeaderView>
#include <QLabel>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "app/dialog_quick_scan.h"
#include "app/main_window.h"
#include "app/questions.h"
#include "app/ui_text.h"
#include "disk/fs_type.h"
#include "modes/scan_plan.h"
#include "support/display_format.h"
#include "support/text.h"

namespace tundrel::app {

CPanePartition::CPanePartition(CMainWindow& wizard)
    : WizardPane(wizard),
      stages_(new QStackedWidget(this)),
      picker_(new SourcePicker(SourceKind::Disks, false, this)),
      found_(new QTreeWidget(this)),
      foundStage_(new QWidget(this)),
      notes_(new QLabel(this)) {
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(stages_);
    auto* foundLayout = new QVBoxLayout(foundStage_);
    foundLayout->setContentsMargins(0, 0, 0, 0);
    foundLayout->addWidget(found_);
    notes_->setWordWrap(true);
    foundLayout->addWidget(notes_);
    stages_->addWidget(picker_);
    stages_->addWidget(foundStage_);
    found_->setHeaderLabels({UiText(StringId::SourceColumnName), UiText(StringId::SourceColumnFileSystem),
                             UiText(StringId::SourceColumnSize), UiText(StringId::SourceColumnDetail)});
    found_->setRootIsDecorated(false);
    found_->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
}

StringId CPanePartition::Prompt() const {
    return ShowsFound() ? StringId::PromptPartitionsFound : StringId::PromptDiskChoice;
}

PaneButtons CPanePartition::Buttons() const {
    PaneButtons buttons = WizardPane::Buttons();
    if (!ShowsFound()) buttons.third = UiText(StringId::OpenImageFile);
    return buttons;
}

void CPanePartition::OnShown() {
    if (movingBetweenStages_) return;
    stages_->setCurrentWidget(picker_);
    picker_->Refresh();
}

void CPanePartition::ShowFound() {
    found_->clear();
    for (const VolumeInfo& partition : partitions_) {
        auto* item = new QTreeWidgetItem(
            found_, {QString::number(partition.startSector), QString::fromUtf8(TypeName(partition.fsType).data()),
                     QString::fromStdString(FormatSize(std::uint64_t{partition.sectorCount} * kSectorBytes)),
                     FromUtf16(partition.label) + QStringLiteral("  ") + FromUtf16(partition.createdText)});
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(0, Qt::Checked);
    }
    MoveToStage(*foundStage_, 1);
}

void CPanePartition::MoveToStage(QWidget& stage, int stepDelta) {
    stages_->setCurrentWidget(&stage);
    movingBetweenStages_ = true;
    wizard_.ShowPane(*this, stepDelta);
    movingBetweenStages_ = false;
}

void CPanePartition::Next() {
    if (!ShowsFound()) {
        const std::optional<SourceChoice> choice = picker_->Selected();
        if (!choice) {
            TellWarning(this, UiText(StringId::SelectTarget));
            return;
        }
        if (Search(choice->source)) ShowFound();
        return;
    }
    std::vector<ScanTask> tasks;
    for (int row = 0; row < found_->topLevelItemCount(); ++row) {
        if (found_->topLevelItem(row)->checkState(0) != Qt::Checked) continue;
        const VolumeInfo& partition = partitions_[static_cast<std::size_t>(row)];
        ScanTask task;
        task.sourceName = ToUtf16(source_);
        task.volume = SelectedVolumeOf(partition);
        task.options[kOptionFullScanFallback] = 1;
        task.mode = kModeFullScan;
        tasks.push_back(task);
    }
    if (tasks.empty()) {
        TellWarning(this, UiText(StringId::SelectTarget));
        return;
    }
    wizard_.StartScan(std::move(tasks));
}

bool CPanePartition::Search(const std::string& source) {
    CDialogQuickScan search(source, this);
    search.exec();
    if (search.OpenError()) {
        TellWarning(this, QString::fromStdString(*search.OpenError()));
        return false;
    }
    // A stopped search still gives the table's partitions and what the sweep had found.
    source_ = source;
    partitions_ = search.Result().volumes;
    QStringList notes;
    for (const std::string& note : search.Result().notes) notes << QString::fromStdString(note);
    notes_->setText(notes.join(u'\n'));
    notes_->setVisible(!notes.isEmpty());
    if (partitions_.empty()) {
        TellWarning(this, UiFormatted(StringId::NoPartitionOn, source.c_str()));
        return false;
    }
    return true;
}

QString CPanePartition::SearchNotes() const { return notes_->text(); }

void CPanePartition::Back() {
    if (ShowsFound()) {
        MoveToStage(*picker_, -1);
        return;
    }
    WizardPane::Back();
}

}  // namespace tundrel::app
