#include "app/main_window.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStackedWidget>
#include <QUrl>
#include <QVBoxLayout>

#include "app/dialog_about.h"
#include "app/dialog_option.h"
#include "app/pane_browse.h"
#include "app/pane_delete.h"
#include "app/pane_export.h"
#include "app/pane_format.h"
#include "app/pane_mode_select.h"
#include "app/pane_partition.h"
#include "app/pane_raw.h"
#include "app/pane_scan_status.h"
#include "app/questions.h"
#include "app/ui_text.h"

namespace tundrel::app {

CMainWindow::CMainWindow()
    : caption_(new QLabel(this)),
      prompt_(new QLabel(this)),
      panes_(new QStackedWidget(this)),
      back_(new QPushButton(this)),
      next_(new QPushButton(this)),
      third_(new QPushButton(this)) {
    setWindowTitle(QStringLiteral("Tundrel Recovery"));
    resize(860, 600);
    auto* layout = new QVBoxLayout(this);

    auto* top = new QHBoxLayout;
    QFont captionFont = caption_->font();
    captionFont.setPointSizeF(captionFont.pointSizeF() * 1.6);
    captionFont.setBold(true);
    caption_->setFont(captionFont);
    top->addWidget(caption_);
    top->addWidget(prompt_, 1);
    const std::pair<StringId, void (CMainWindow::*)()> commands[] = {
        {StringId::WizardAbout, &CMainWindow::ShowAbout},
        {StringId::WizardOptions, &CMainWindow::ShowOptions},
        {StringId::WizardHelp, &CMainWindow::ShowHelp},
    };
    for (const auto& [label, command] : commands) {
        auto* button = new QPushButton(UiText(label), this);
        button->setFlat(true);
        connect(button, &QPushButton::clicked, this, command);
        top->addWidget(button);
    }
    prompt_->setWordWrap(true);
    layout->addLayout(top);
    layout->addWidget(panes_, 1);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(third_);
    bottom->addStretch();
    bottom->addWidget(back_);
    bottom->addWidget(next_);
    layout->addLayout(bottom);
    connect(next_, &QPushButton::clicked, this, [this] { CurrentPane()->Next(); });
    connect(back_, &QPushButton::clicked, this, [this] { CurrentPane()->Back(); });
    connect(third_, &QPushButton::clicked, this, [this] { CurrentPane()->Third(); });

    modeSelect_ = new CPaneModSel(*this);
    deletePane_ = new CPaneDelete(*this);
    formatPane_ = new CPaneFormat(*this);
    partitionPane_ = new CPanePartition(*this);
    rawPane_ = new CPaneRaw(*this);
    scanStatus_ = new CPaneScanStatus(*this);
    browse_ = new CPaneBrowse(*this);
    export_ = new CPaneExport(*this);
    for (WizardPane* pane : std::initializer_list<WizardPane*>{modeSelect_, deletePane_, formatPane_, partitionPane_,
                                                               rawPane_, scanStatus_, browse_, export_}) {
        panes_->addWidget(pane);
    }
    ShowModeChoice();
}

CMainWindow::~CMainWindow() {
    scanStatus_->StopAndWait();
    export_->StopAndWait();
    // The panes read the session, which goes before the base class deletes its children.
    delete panes_;
}

QString CMainWindow::StepCaption() const { return caption_->text(); }
QString CMainWindow::PromptText() const { return prompt_->text(); }

WizardPane* CMainWindow::CurrentPane() const { return static_cast<WizardPane*>(panes_->currentWidget()); }

void CMainWindow::ShowModeChoice() {
    step_ = 1;
    ShowPane(*modeSelect_, 0);
}

void CMainWindow::ShowPane(WizardPane& pane, int stepDelta) {
    step_ = std::max(1, step_ + stepDelta);
    caption_->setText(UiFormatted(StringId::WizardStep, step_));
    prompt_->setText(UiText(pane.Prompt()));
    panes_->setCurrentWidget(&pane);
    pane.OnShown();
    RefreshButtons();
}

void CMainWindow::ShowModePane(RecoveryMode mode) {
    session_.mode = mode;
    switch (mode) {
        case RecoveryMode::DeletedFiles: ShowPane(*deletePane_, 1); break;
        case RecoveryMode::FormattedVolume: ShowPane(*formatPane_, 1); break;
        case RecoveryMode::LostPartition: ShowPane(*partitionPane_, 1); break;
        case RecoveryMode::FullScan: ShowPane(*rawPane_, 1); break;
    }
}

void CMainWindow::StartScan(std::vector<ScanTask> tasks) {
    session_.tasks = std::move(tasks);
    ShowPane(*scanStatus_, 1);
}

void CMainWindow::ShowResults() { ShowPane(*browse_, 1); }

void CMainWindow::StartExport(const std::string& destination) {
    if (export_->Start(destination)) ShowPane(*export_, 1);
}

void CMainWindow::BackToResults() {
    step_ = std::max(1, step_ - 1);
    caption_->setText(UiFormatted(StringId::WizardStep, step_));
    prompt_->setText(UiText(browse_->Prompt()));
    panes_->setCurrentWidget(browse_);
    browse_->Return();
    RefreshButtons();
}

void CMainWindow::RefreshButtons() {
    const PaneButtons buttons = CurrentPane()->Buttons();
    next_->setText(buttons.next);
    next_->setEnabled(buttons.nextEnabled);
    next_->setVisible(!buttons.next.isEmpty());
    back_->setText(buttons.back);
    back_->setEnabled(buttons.backEnabled);
    back_->setVisible(!buttons.back.isEmpty());
    third_->setText(buttons.third);
    third_->setEnabled(buttons.thirdEnabled);
    third_->setVisible(!buttons.third.isEmpty());
    third_->setToolTip(buttons.thirdTip);
}

bool CMainWindow::ScanRunning() const {
    return scanStatus_->Running() || session_.scan->progress.scanning.load() != 0;
}

void CMainWindow::ShowAbout() {
    CDialogAbout about(this);
    about.exec();
}

void CMainWindow::ShowOptions() {
    CDialogOption options(session_.settings, this);
    if (options.exec() != QDialog::Accepted || !options.ViewsChanged()) return;
    if (CurrentPane() == browse_) {
        browse_->RebuildViews();
    } else {
        browse_->MarkViewsStale();
    }
}

void CMainWindow::ShowHelp() {
    // The help file stands beside the program, named after it.
    const QString help = QCoreApplication::applicationDirPath() + QStringLiteral("/tundrel-gui.html");
    if (!QFileInfo::exists(help)) {
        TellWarning(this, UiFormatted(StringId::HelpFileMissing, help.toStdString().c_str()));
        return;
    }
    QDesktopServices::openUrl(QUrl::fromLocalFile(help));
}

void CMainWindow::closeEvent(QCloseEvent* event) {
    StringId question = StringId::AskExit;
    if (ScanRunning()) {
        question = StringId::AskExitWhileScanning;
    } else if (session_.HasResults() && session_.scan->progress.resultsSaved.load() == 0) {
        question = StringId::AskExitUnsaved;
    }
    if (!AskYesNo(this, UiText(question))) {
        event->ignore();
        return;
    }
    scanStatus_->StopAndWait();
    export_->StopAndWait();
    event->accept();
}

}  // namespace tundrel::app
