#include "app/pane_format.h"

#include <QCheckBox>
#include <QLabel>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "app/ui_text.h"
#include "disk/fs_type.h"
#include "disk/sector_source.h"
#include "modes/open_source.h"

namespace tundrel::app {
namespace {

// A partition or loop device chosen itself (also when opened as an image, its one volume at
// sector 0); a volume inside an image file or a disk is not.
bool ChoiceIsVolume(const SourceChoice& choice) {
    if (choice.volumeStart.value_or(0) != 0) return false;
    SectorSource source;
    return !OpenReadableSource(source, choice.source) && source.IsVolume();
}

QCheckBox* AddChoiceBox(QVBoxLayout& layout, StringId text, StringId hint, QWidget* parent) {
    auto* box = new QCheckBox(UiText(text), parent);
    box->setToolTip(UiText(hint));
    auto* explanation = new QLabel(UiText(hint), parent);
    explanation->setWordWrap(true);
    explanation->setIndent(24);
    explanation->setStyleSheet(QStringLiteral("color: #606060;"));
    layout.addWidget(box);
    layout.addWidget(explanation);
    return box;
}

}  // namespace

CPaneFormat::CPaneFormat(CMainWindow& wizard) : SourceSelectPane(wizard, SourceKind::Volumes, false) {
    auto& layout = *static_cast<QVBoxLayout*>(this->layout());
    quickScan_ = AddChoiceBox(layout, StringId::QuickScan, StringId::QuickScanHint, this);
    freeArea_ = AddChoiceBox(layout, StringId::ScanFreeAreaOnly, StringId::ScanFreeAreaOnlyHint, this);
    connect(picker_->List(), &QTreeWidget::currentItemChanged, this, &CPaneFormat::FollowSelection);
    connect(picker_->List(), &QTreeWidget::itemSelectionChanged, this, &CPaneFormat::FollowSelection);
    connect(freeArea_, &QCheckBox::toggled, this, &CPaneFormat::FollowSelection);
    FollowSelection();
}

void CPaneFormat::FollowSelection() {
    const std::optional<SourceChoice> choice = picker_->Selected();
    const bool volume = choice && ChoiceIsVolume(*choice);
    if (!volume) freeArea_->setChecked(false);
    freeArea_->setEnabled(volume);
    // The free-space sweep reads no file system as it stands.
    quickScan_->setEnabled(choice.has_value() && !freeArea_->isChecked());
}

std::optional<ScanRequest> CPaneFormat::RequestFor(const SourceChoice& choice) {
    // The same plan as `tundrel scan VOLUME --mode formatted --free-area`.
    if (freeArea_->isEnabled() && freeArea_->isChecked()) {
        return ScanRequest{choice.source, kModeFormattedVolume, std::nullopt, std::nullopt, true};
    }
    return ScanRequest{choice.source, kModeFormattedVolume, choice.volumeStart};
}

void CPaneFormat::SettleTasks(std::vector<ScanTask>& tasks) {
    if (!quickScan_->isEnabled() || !quickScan_->isChecked()) return;
    // Quick scan: a volume whose file system is recognised and whose boot sector is valid is
    // read by its own scanner in the full-scan task mode, as a found partition is; any other
    // keeps the formatted-volume scan.
    for (ScanTask& task : tasks) {
        if (task.volume.fsType == kFsRaw || !task.volume.bootValid) continue;
        task.mode = kModeFullScan;
        task.options[kOptionFullScanFallback] = 1;
    }
}

}  // namespace tundrel::app
