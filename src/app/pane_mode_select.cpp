#include "app/pane_mode_select.h"

#include <QLabel>
#include <QRadioButton>
#include <QVBoxLayout>

#include "app/main_window.h"
#include "app/ui_text.h"

namespace tundrel::app {
namespace {

struct ModeTexts {
    RecoveryMode mode;
    StringId title;
    std::initializer_list<StringId> lines;
};

const ModeTexts kModeTexts[] = {
    {RecoveryMode::DeletedFiles,
     StringId::ModeDeleted,
     {StringId::ModeDeletedLine1, StringId::ModeDeletedLine2, StringId::ModeDeletedLine3, StringId::ModeDeletedLine4,
      StringId::ModeDeletedLine5}},
    {RecoveryMode::FormattedVolume,
     StringId::ModeFormatted,
     {StringId::ModeFormattedLine1, StringId::ModeFormattedLine2, StringId::ModeFormattedLine3,
      StringId::ModeFormattedLine4}},
    {RecoveryMode::LostPartition,
     StringId::ModeLostPartition,
     {StringId::ModeLostPartitionLine1, StringId::ModeLostPartitionLine2, StringId::ModeLostPartitionLine3,
      StringId::ModeLostPartitionLine4, StringId::ModeLostPartitionLine5}},
    {RecoveryMode::FullScan,
     StringId::ModeFullScan,
     {StringId::ModeFullScanLine1, StringId::ModeFullScanLine2, StringId::ModeFullScanLine3}},
};

}  // namespace

CPaneModSel::CPaneModSel(CMainWindow& wizard) : WizardPane(wizard), modes_(new QButtonGroup(this)) {
    auto* layout = new QVBoxLayout(this);
    for (const ModeTexts& texts : kModeTexts) {
        auto* title = new QRadioButton(UiText(texts.title), this);
        QFont bold = title->font();
        bold.setBold(true);
        bold.setPointSizeF(bold.pointSizeF() * 1.2);
        title->setFont(bold);
        modes_->addButton(title, static_cast<int>(texts.mode));
        layout->addWidget(title);
        QStringList lines;
        for (const StringId line : texts.lines) lines << UiText(line);
        auto* description = new QLabel(lines.join(u'\n'), this);
        description->setWordWrap(true);
        description->setContentsMargins(28, 0, 0, 8);
        layout->addWidget(description);
    }
    layout->addStretch();
    Choose(RecoveryMode::DeletedFiles);
}

PaneButtons CPaneModSel::Buttons() const {
    PaneButtons buttons = WizardPane::Buttons();
    buttons.back.clear();
    // Results are not saved yet, so there is nothing to open.
    buttons.third = UiText(StringId::OpenSavedResults);
    buttons.thirdEnabled = false;
    buttons.thirdTip = UiText(StringId::SavedResultsUnavailable);
    return buttons;
}

RecoveryMode CPaneModSel::Chosen() const { return static_cast<RecoveryMode>(modes_->checkedId()); }

void CPaneModSel::Choose(RecoveryMode mode) { modes_->button(static_cast<int>(mode))->setChecked(true); }

void CPaneModSel::Next() { wizard_.ShowModePane(Chosen()); }

}  // namespace tundrel::app
