#include "app/pane_mode_select.h"

#include <QLabel>
#include <QRadioButton>
#include <QVBoxLayout>

#include "app/file_chooser.h"
#include "app/gui_reconnect_prompt.h"
#include "app/main_window.h"
#include "app/pane_browse.h"
#include "app/questions.h"
#include "app/ui_text.h"
#include "support/text.h"

namespace tundrel::app {
namespace {

// Opened results stand where a scan's do: the mode choice, the source, the scan, the results.
constexpr int kStepsFromModeChoiceToResults = 3;

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

CPaneModSel::CPaneModSel(CMainWindow& wizard)
    : WizardPane(wizard), modes_(new QButtonGroup(this)), reconnect_(std::make_unique<GuiReconnectPrompt>(wizard)) {
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

CPaneModSel::~CPaneModSel() = default;

PaneButtons CPaneModSel::Buttons() const {
    PaneButtons buttons = WizardPane::Buttons();
    buttons.back.clear();
    buttons.third = UiText(StringId::OpenSavedResults);
    buttons.thirdTip = buttons.third;
    return buttons;
}

RecoveryMode CPaneModSel::Chosen() const { return static_cast<RecoveryMode>(modes_->checkedId()); }

void CPaneModSel::Choose(RecoveryMode mode) { modes_->button(static_cast<int>(mode))->setChecked(true); }

void CPaneModSel::Next() { wizard_.ShowModePane(Chosen()); }

void CPaneModSel::Third() {
    const QString file = AskForResultFileToOpen(this);
    if (!file.isEmpty() && OpenResults(file)) wizard_.ShowPane(wizard_.BrowsePane(), kStepsFromModeChoiceToResults);
}

bool CPaneModSel::OpenResults(const QString& file) {
    WizardSession& session = wizard_.Session();
    const std::filesystem::path path = file.toStdString();
    OpenedResults opened = session.OpenRun(path, true, reconnect_.get());
    // A source that does not open, or is another device than the one scanned: the user may
    // open the results against it all the same.
    if (opened.status == ResultOpenStatus::SourceNotOpened) {
        const QString notOpened = UiFormatted(StringId::CannotOpenSource, ToUtf8(opened.label).c_str());
        if (!AskYesNo(this, notOpened + u'\n' + UiText(StringId::AskOpenResultWithoutIdentity))) return false;
        opened = session.OpenRun(path, false, reconnect_.get());
    }
    switch (opened.status) {
        case ResultOpenStatus::Opened:
            return true;
        case ResultOpenStatus::FormatError:
            TellWarning(this, file + QStringLiteral(": ") + UiText(StringId::FileFormatError));
            return false;
        case ResultOpenStatus::SourceNotOpened:
            TellWarning(this, UiFormatted(StringId::CannotOpenSource, ToUtf8(opened.label).c_str()));
            return false;
        case ResultOpenStatus::UnknownScannerType:
            // The tasks read before the unknown scanner are shown.
            TellWarning(this, UiFormatted(StringId::ResultFileStoppedAtType, opened.unknownScannerType));
            return !session.scan->contexts.empty();
    }
    return false;
}

}  // namespace tundrel::app
