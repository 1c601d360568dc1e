#include "app/pane_scan_status.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "app/gui_reconnect_prompt.h"
#include "app/gui_selection_prompt.h"
#include "app/main_window.h"
#include "app/questions.h"
#include "app/ui_text.h"
#include "modes/all_scanners.h"
#include "scan/scan_run.h"
#include "support/display_format.h"
#include "support/text.h"

namespace tundrel::app {

CPaneScanStatus::CPaneScanStatus(CMainWindow& wizard)
    : WizardPane(wizard),
      reconnect_(std::make_unique<GuiReconnectPrompt>(wizard)),
      timer_(new QTimer(this)),
      title_(new QLabel(this)),
      status_(new QLabel(this)),
      current_(new QLabel(this)),
      bar_(new QProgressBar(this)),
      count_(new QLabel(this)),
      size_(new QLabel(this)),
      times_(new QLabel(this)),
      outcome_(new QLabel(this)),
      stop_(new QPushButton(UiText(StringId::WizardStop), this)) {
    auto* layout = new QVBoxLayout(this);
    for (QWidget* widget : std::initializer_list<QWidget*>{title_, status_, current_, bar_, count_, size_, times_}) {
        layout->addWidget(widget);
    }
    current_->setWordWrap(true);
    layout->addWidget(stop_, 0, Qt::AlignLeft);
    layout->addWidget(outcome_);
    layout->addStretch();
    timer_->setInterval(200);
    connect(timer_, &QTimer::timeout, this, &CPaneScanStatus::Tick);
    connect(stop_, &QPushButton::clicked, this, &CPaneScanStatus::RequestStop);
}

CPaneScanStatus::~CPaneScanStatus() { StopAndWait(); }

PaneButtons CPaneScanStatus::Buttons() const {
    PaneButtons buttons = WizardPane::Buttons();
    buttons.back.clear();
    buttons.nextEnabled = ended_;
    return buttons;
}

void CPaneScanStatus::OnShown() {
    WizardSession& session = wizard_.Session();
    ScanSession& run = session.BeginRun();
    // A stop left over from the run before must not stop this one.
    run.progress.ClearStop();
    selection_ = std::make_unique<GuiSelectionPrompt>(wizard_, run.settings);
    ended_ = false;
    display_ = ProgressDisplay();
    outcome_->clear();
    stop_->setEnabled(true);
    const std::vector<ScanTask> tasks = session.tasks;
    job_.Start([&run, tasks, this] {
        ScanEnvironment environment{run.settings, run.progress, AllScanners(), reconnect_.get(), selection_.get()};
        run.summary = RunScanTasks(tasks, environment, run.contexts, nullptr);
    });
    timer_->start();
    Tick();
}

void CPaneScanStatus::Tick() {
    // The run clears the progress block as it ends: the last picture stays, with the totals.
    if (job_.Running() && job_.Finished()) {
        Finish();
        return;
    }
    Refresh(ProgressDisplay::Clock::now());
}

void CPaneScanStatus::Refresh(ProgressDisplay::Clock::time_point now) {
    const ScanProgress& progress = wizard_.Session().scan->progress;
    const ProgressView view = display_.Tick(progress, now);
    title_->setText(QString::fromStdString(view.title));
    status_->setText(QString::fromStdString(view.statusText));
    current_->setText(QString::fromStdString(view.currentName));
    if (view.busy || !view.showPosition) {
        bar_->setRange(0, view.busy ? 0 : 1);
        bar_->setValue(0);
    } else {
        // The bar counts in thousandths: sector counts overflow its int range.
        bar_->setRange(0, 1000);
        bar_->setValue(static_cast<int>(view.position * 1000 / view.total));
    }
    count_->setText(QString::fromStdString(view.foundCount));
    size_->setText(QString::fromStdString(view.foundSize));
    times_->setText(QString::fromStdString(view.times));
    stop_->setEnabled(job_.Running() && !job_.Finished() && !progress.StopRequested());
}

void CPaneScanStatus::Finish() {
    job_.Collect();
    timer_->stop();
    ended_ = true;
    stop_->setEnabled(false);
    bar_->setRange(0, 1);
    bar_->setValue(1);
    const ScanRunSummary& summary = wizard_.Session().scan->summary;
    // A run that went to its end did every task; a stopped one keeps the last picture.
    const std::vector<ScanTask>& tasks = wizard_.Session().tasks;
    if (!tasks.empty() && !summary.stopped) {
        const int count = static_cast<int>(tasks.size());
        title_->setText(UiFormatted(StringId::ProgressTitle, count, count, ToUtf8(tasks.back().sourceName).c_str()));
    }
    count_->setText(UiFormatted(StringId::ProgressItemCount, summary.fileCount));
    size_->setText(UiFormatted(StringId::ProgressTotalSize, FormatSize(summary.totalBytes).c_str()));
    times_->clear();
    outcome_->setText(UiText(wizard_.Session().HasResults() ? StringId::ScanEndedClickNext : StringId::NothingFound));
    wizard_.RefreshButtons();
}

void CPaneScanStatus::RequestStop() {
    if (!job_.Running() || !AskYesNo(this, UiText(StringId::AskStopScan))) return;
    wizard_.Session().scan->progress.RequestStop();
    stop_->setEnabled(false);
}

void CPaneScanStatus::StopAndWait() {
    if (!job_.Running()) return;
    wizard_.Session().scan->progress.RequestStop();
    job_.Collect();
    timer_->stop();
}

void CPaneScanStatus::Next() {
    if (ended_) wizard_.ShowResults();
}

QString CPaneScanStatus::TitleText() const { return title_->text(); }
QString CPaneScanStatus::TimesText() const { return times_->text(); }

}  // namespace tundrel::app
