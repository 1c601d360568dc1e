#include "app/pane_export.h"

#include <QBrush>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "app/gui_export_prompt.h"
#include "app/main_window.h"
#include "app/questions.h"
#include "app/ui_text.h"
#include "export/destination_checks.h"
#include "export/destination_folder.h"
#include "export/export_selection.h"
#include "modes/volume_label.h"
#include "platform/read_error.h"
#include "scan/volume_scanner.h"
#include "support/display_format.h"

namespace tundrel::app {
namespace {

struct LevelLook {
    StringId word;
    const char* colour;
};

LevelLook LookOf(LogLevel level) {
    switch (level) {
        case LogLevel::Error: return {StringId::LogLevelError, "#b00000"};
        case LogLevel::Renamed: return {StringId::LogLevelRenamed, "#0050a0"};
        case LogLevel::Caution: return {StringId::LogLevelCaution, "#a06000"};
        case LogLevel::Written: break;
    }
    return {StringId::LogLevelWritten, "#000000"};
}

int Permille(std::uint64_t done, std::uint64_t total) {
    return total == 0 ? 0 : static_cast<int>(std::min<std::uint64_t>(done, total) * 1000 / total);
}

}  // namespace

CPaneExport::CPaneExport(CMainWindow& wizard)
    : WizardPane(wizard),
      prompt_(std::make_unique<GuiExportPrompt>(wizard)),
      exportLog_(std::make_unique<ExportLog>()),
      timer_(new QTimer(this)),
      heading_(new QLabel(this)),
      status_(new QLabel(this)),
      current_(new QProgressBar(this)),
      overall_(new QProgressBar(this)),
      speed_(new QLabel(this)),
      log_(new QTreeWidget(this)),
      outcomeText_(new QLabel(this)) {
    auto* layout = new QVBoxLayout(this);
    heading_->setWordWrap(true);
    status_->setWordWrap(true);
    outcomeText_->setWordWrap(true);
    current_->setRange(0, 1000);
    overall_->setRange(0, 1000);
    for (QWidget* widget : std::initializer_list<QWidget*>{heading_, status_, current_, overall_, speed_}) {
        layout->addWidget(widget);
    }
    log_->setRootIsDecorated(false);
    log_->setHeaderHidden(true);
    log_->setColumnCount(2);
    log_->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    layout->addWidget(log_, 1);
    layout->addWidget(outcomeText_);
    timer_->setInterval(200);
    connect(timer_, &QTimer::timeout, this, &CPaneExport::Tick);
}

CPaneExport::~CPaneExport() { StopAndWait(); }

PaneButtons CPaneExport::Buttons() const {
    PaneButtons buttons;
    const bool running = job_.Running();
    buttons.next = UiText(StringId::WizardStop);
    buttons.nextEnabled = running && !counters_.StopRequested();
    buttons.back = UiText(StringId::WizardBack);
    buttons.backEnabled = !running;
    buttons.third = UiText(StringId::WizardToTop);
    buttons.thirdEnabled = !running;
    return buttons;
}

bool CPaneExport::Start(const std::string& destination) {
    request_ = ExportRequest{};
    DestinationCheckInput checks;
    for (VolumeScanner* scanner : wizard_.Session().scan->Scanners()) {
        request_.volumes.push_back({scanner, VolumeLabelOf(*scanner)});
        if (!HasSelection(scanner->roots)) continue;
        for (const ScanNode& root : scanner->roots.roots) AddSelection(*scanner, root, checks.selection);
        checks.sources.push_back(ProbeSource(*scanner));
    }
    std::error_code error;
    const std::optional<DestinationFolder> folder = LocateDestination(destination, error);
    if (!folder) {
        TellWarning(this, UiFormatted(StringId::DestinationUnusable, destination.c_str(),
                                      platform::ErrorText(error.value()).c_str()));
        return false;
    }
    if (!folder->existingIsFolder) {
        TellWarning(this, UiFormatted(StringId::DestinationNotAFolder, folder->existing.c_str()));
        return false;
    }
    checks.destination = ProbeDestination(folder->existing);
    if (!RunLocationChecks(checks, *prompt_)) return false;
    int made = 0;
    if (!MakeDestination(*folder, made)) {
        TellWarning(this, UiFormatted(StringId::DestinationNotCreated, folder->path.c_str(),
                                      platform::ErrorText(made).c_str()));
        return false;
    }
    if (!RunWriteTest(folder->path, *prompt_)) return false;

    request_.destination = folder->path;
    selectedBytes_ = checks.selection.bytes;
    heading_->setText(UiFormatted(StringId::ExportDestination, folder->path.c_str()) + u'\n' +
                      UiFormatted(StringId::ExportSelectionSummary, static_cast<int>(checks.selection.folders),
                                  static_cast<int>(checks.selection.files), FormatSize(checks.selection.bytes).c_str()) +
                      u'\n' + UiText(StringId::ExportOverallProgress));
    log_->clear();
    outcomeText_->clear();
    shownEntries_ = 0;
    exportLog_ = std::make_unique<ExportLog>();
    outcome_ = ExportOutcome{};
    counters_.ClearStop();
    job_.Start([this] {
        ExportWriter writer(*prompt_, *exportLog_, counters_, wizard_.Session().folderRenames);
        outcome_ = writer.Run(request_);
    });
    timer_->start();
    return true;
}

void CPaneExport::Tick() {
    status_->setText(QString::fromStdString(counters_.StatusText()));
    current_->setValue(Permille(counters_.currentDone, counters_.currentSize));
    overall_->setValue(Permille(counters_.allDone, selectedBytes_));
    speed_->setText(QString::fromStdString(
        ExportSpeedText(counters_.filesWritten, counters_.allDone, counters_.ElapsedMilliseconds())));
    const std::vector<LogEntry> entries = exportLog_->Entries();
    for (; shownEntries_ < entries.size(); ++shownEntries_) {
        const LogEntry& entry = entries[shownEntries_];
        const LevelLook look = LookOf(entry.level);
        auto* item = new QTreeWidgetItem(log_, {UiText(look.word), DialogText(entry.text).trimmed()});
        item->setForeground(0, QBrush(QColor(QString::fromLatin1(look.colour))));
        item->setForeground(1, QBrush(QColor(QString::fromLatin1(look.colour))));
    }
    if (job_.Running() && job_.Finished()) Finish();
}

void CPaneExport::Finish() {
    job_.Collect();
    timer_->stop();
    Tick();
    status_->clear();
    const bool stopped = outcome_.stopped || counters_.StopRequested();
    outcomeText_->setText(DialogText(std::string(Text(stopped ? StringId::ExportStopped : StringId::ExportComplete))));
    wizard_.RefreshButtons();
}

void CPaneExport::Next() {
    if (!job_.Running() || !AskYesNo(this, UiText(StringId::AskStopExport))) return;
    counters_.RequestStop();
    wizard_.RefreshButtons();
}

void CPaneExport::Back() {
    if (!job_.Running()) wizard_.BackToResults();
}

void CPaneExport::Third() {
    if (job_.Running() || !AskYesNo(this, UiText(StringId::AskBackToTop))) return;
    wizard_.Session().DiscardResults();
    wizard_.ShowModeChoice();
}

void CPaneExport::StopAndWait() {
    if (!job_.Running()) return;
    counters_.RequestStop();
    job_.Collect();
    timer_->stop();
}

QString CPaneExport::OutcomeText() const { return outcomeText_->text(); }

}  // namespace tundrel::app
