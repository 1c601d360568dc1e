#include "app/pane_raw.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "app/dialog_range_setup.h"
#include "app/questions.h"
#include "app/ui_text.h"

namespace tundrel::app {

CPaneRaw::CPaneRaw(CMainWindow& wizard)
    : SourceSelectPane(wizard, SourceKind::DisksAndVolumes, false), rangeText_(new QLabel(this)) {
    auto* row = new QHBoxLayout;
    auto* setUp = new QPushButton(UiText(StringId::RangeSetupTitle), this);
    connect(setUp, &QPushButton::clicked, this, &CPaneRaw::SetUpRange);
    row->addWidget(setUp);
    row->addWidget(rangeText_, 1);
    static_cast<QVBoxLayout*>(layout())->addLayout(row);
    // A range belongs to the source it was set on.
    connect(picker_->List(), &QTreeWidget::currentItemChanged, this, [this] {
        range_.reset();
        ShowRange();
    });
}

void CPaneRaw::OnShown() {
    SourceSelectPane::OnShown();
    range_.reset();
    ShowRange();
}

void CPaneRaw::SetUpRange() {
    const std::optional<SourceChoice> choice = picker_->Selected();
    if (!choice) {
        TellWarning(this, UiText(StringId::SelectTarget));
        return;
    }
    CDialogRangeSetup dialog(choice->totalSectors, range_, this);
    if (dialog.exec() == QDialog::Accepted) range_ = dialog.Range();
    ShowRange();
}

void CPaneRaw::ShowRange() {
    rangeText_->setText(range_ ? UiFormatted(StringId::RangeBrackets, std::to_string(range_->first).c_str(),
                                             std::to_string(range_->last).c_str())
                               : QString());
}

std::optional<ScanRequest> CPaneRaw::RequestFor(const SourceChoice& choice) {
    // The range is set in sectors of the row; the scan counts them from the source's start.
    if (range_) {
        const std::uint32_t offset = choice.volumeStart.value_or(0);
        return ScanRequest{choice.source, kModeFullScan, std::nullopt,
                           SectorRange{range_->first + offset, range_->last + offset}};
    }
    return ScanRequest{choice.source, kModeFullScan, choice.volumeStart};
}

}  // namespace tundrel::app
