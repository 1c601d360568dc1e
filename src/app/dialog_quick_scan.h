#pragma once
// The search of a disk or image for lost partitions, behind a dialog with a progress bar, the
// count found so far and a Stop button. The search starts when the dialog shows and runs on a
// thread of its own; the dialog closes by itself when it ends, stopped or not, and the search's
// result holds what was found by then.

#include <QDialog>
#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "app/background_job.h"
#include "disk/lost_partition_search.h"

class QLabel;
class QProgressBar;
class QPushButton;
class QTimer;

namespace tundrel::app {

class CDialogQuickScan : public QDialog {
    Q_OBJECT
public:
    CDialogQuickScan(std::string source, QWidget* parent);
    ~CDialogQuickScan() override;

    // Valid once the dialog has closed.
    const LostPartitionSearch& Result() const { return result_; }
    // Why the source did not open, in one line; the result is then empty.
    const std::optional<std::string>& OpenError() const { return openError_; }
    bool Stopped() const { return stop_.load() != 0; }

    QPushButton& StopButton() const { return *stopButton_; }
    QString StatusText() const;
    int SweepPosition() const;
    int SweepExtent() const;

    // Esc and the window's close box stop the search as the Stop button does.
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    class Report;
    void Refresh();

    std::string source_;
    std::atomic<std::uint32_t> stop_{0};
    std::unique_ptr<Report> report_;
    // Written by the search's thread alone until it is collected.
    LostPartitionSearch result_;
    std::optional<std::string> openError_;
    BackgroundJob search_;
    QLabel* status_;
    QProgressBar* bar_;
    QPushButton* stopButton_;
    QTimer* poll_;
};

}  // namespace tundrel::app
