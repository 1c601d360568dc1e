#include "app/dialog_quick_scan.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <limits>

#include "app/ui_text.h"
#include "disk/mounted_volume.h"
#include "disk/sector_source.h"
#include "modes/all_scanners.h"
#include "modes/open_source.h"

namespace tundrel::app {

// What the search reports from its thread, read by the dialog's timer.
class CDialogQuickScan::Report final : public LostPartitionReport {
public:
    void SweepExtent(std::uint64_t cylinders) override { extent = cylinders; }
    void SweepPosition(std::uint64_t cylinder) override { position = cylinder; }
    void FoundCount(std::size_t count) override { found = count; }

    std::atomic<std::uint64_t> extent{0};
    std::atomic<std::uint64_t> position{0};
    std::atomic<std::size_t> found{0};
};

namespace {

int ClampedToInt(std::uint64_t value) {
    return static_cast<int>(std::min<std::uint64_t>(value, std::numeric_limits<int>::max()));
}

}  // namespace

CDialogQuickScan::CDialogQuickScan(std::string source, QWidget* parent)
    : QDialog(parent),
      source_(std::move(source)),
      report_(std::make_unique<Report>()),
      status_(new QLabel(this)),
      bar_(new QProgressBar(this)),
      stopButton_(new QPushButton(UiText(StringId::WizardStop), this)),
      poll_(new QTimer(this)) {
    setWindowTitle(UiText(StringId::QuickScanTitle));
    setMinimumWidth(420);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(status_);
    layout->addWidget(bar_);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(stopButton_);
    layout->addLayout(buttons);
    connect(stopButton_, &QPushButton::clicked, this, [this] {
        stop_ = 1;
        stopButton_->setEnabled(false);
    });
    poll_->setInterval(200);
    connect(poll_, &QTimer::timeout, this, &CDialogQuickScan::Refresh);
    Refresh();
}

CDialogQuickScan::~CDialogQuickScan() {
    stop_ = 1;
    search_.Collect();
}

QString CDialogQuickScan::StatusText() const { return status_->text(); }
int CDialogQuickScan::SweepPosition() const { return bar_->value(); }
int CDialogQuickScan::SweepExtent() const { return bar_->maximum(); }

void CDialogQuickScan::reject() { stopButton_->click(); }

void CDialogQuickScan::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (search_.Running()) return;
    search_.Start([this] {
        SectorSource source;
        openError_ = OpenReadableSource(source, source_);
        if (openError_) return;
        const SourceMounts mounts = MountsOfSource(source.path, AllFileSystems());
        result_ = SearchLostPartitions(source, AllFileSystems(), stop_, {mounts.mounted, mounts.device, report_.get()});
    });
    poll_->start();
}

void CDialogQuickScan::Refresh() {
    const std::size_t found = report_->found.load();
    // The count alone until the table's partitions are in; then the count with "please wait".
    status_->setText(found == 0 ? UiFormatted(StringId::PartitionsFoundSoFar, 0)
                                : UiFormatted(StringId::LostPartitionsFound, static_cast<int>(found)));
    bar_->setRange(0, std::max(1, ClampedToInt(report_->extent.load())));
    bar_->setValue(std::min(bar_->maximum(), ClampedToInt(report_->position.load())));
    if (!search_.Finished()) return;
    poll_->stop();
    search_.Collect();
    done(QDialog::Accepted);
}

}  // namespace tundrel::app
