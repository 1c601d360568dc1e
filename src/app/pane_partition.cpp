#include "app/pane_partition.h"

#include <QHeaderView>
#include <QLabel>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "app/lost_partition_search.h"
#include "app/main_window.h"
#include "app/questions.h"
#include "app/ui_text.h"
#include "disk/fs_type.h"
#include "support/display_format.h"
#include "support/text.h"

namespace tundrel::app {

CPanePartition::CPanePartition(CMainWindow& wizard)
    : WizardPane(wizard),
      stages_(new QStackedWidget(this)),
      picker_(new SourcePicker(SourceKind::Disks, false, this)),
      found_(new QTreeWidget(this)),
      poll_(new QTimer(this)),
      searching_(new QLabel(UiText(StringId::SearchingPartitions), this)) {
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(stages_);
    layout->addWidget(searching_);
    searching_->hide();
    poll_->setInterval(200);
    connect(poll_, &QTimer::timeout, this, [this] {
        if (search_.Finished()) SearchEnded();
    });
    stages_->addWidget(picker_);
    stages_->addWidget(found_);
    found_->setHeaderLabels({UiText(StringId::SourceColumnName), UiText(StringId::SourceColumnFileSystem),
                             UiText(StringId::SourceColumnSize), UiText(StringId::SourceColumnDetail)});
    found_->setRootIsDecorated(false);
    found_->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
}

CPanePartition::~CPanePartition() {
    // The window goes: end the search without showing anything.
    stopSearch_ = 1;
    search_.Collect();
}

StringId CPanePartition::Prompt() const {
    return ShowsFound() ? StringId::PromptPartitionsFound : StringId::PromptDiskChoice;
}

PaneButtons CPanePartition::Buttons() const {
    PaneButtons buttons = WizardPane::Buttons();
    if (!ShowsFound()) buttons.third = UiText(StringId::OpenImageFile);
    buttons.nextEnabled = !Searching();
    buttons.thirdEnabled = !Searching();
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
    MoveToStage(*found_, 1);
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
        if (!Searching()) StartSearch(choice->source);
        return;
    }
    std::vector<ScanTask> tasks;
    for (int row = 0; row < found_->topLevelItemCount(); ++row) {
        if (found_->topLevelItem(row)->checkState(0) != Qt::Checked) continue;
        const VolumeInfo& partition = partitions_[static_cast<std::size_t>(row)];
        ScanTask task;
        task.sourceName = ToUtf16(source_);
        task.volume = {partition.startSector, partition.sectorCount, partition.fsType, partition.bootValid,
                       partition.bootSector};
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

void CPanePartition::StartSearch(const std::string& source) {
    source_ = source;
    stopSearch_ = 0;
    searchResult_.clear();
    search_.Start([this] { searchResult_ = FindLostPartitions(source_, stopSearch_); });
    searching_->show();
    poll_->start();
    wizard_.RefreshButtons();
}

void CPanePartition::SearchEnded() {
    poll_->stop();
    search_.Collect();
    searching_->hide();
    wizard_.RefreshButtons();
    if (stopSearch_.load() != 0) return;
    partitions_ = std::move(searchResult_);
    if (partitions_.empty()) {
        TellWarning(this, UiFormatted(StringId::NoPartitionOn, source_.c_str()));
        return;
    }
    ShowFound();
}

void CPanePartition::StopSearch() {
    if (!search_.Running()) return;
    stopSearch_ = 1;
    SearchEnded();
}

void CPanePartition::Back() {
    StopSearch();
    if (ShowsFound()) {
        MoveToStage(*picker_, -1);
        return;
    }
    WizardPane::Back();
}

}  // namespace tundrel::app
