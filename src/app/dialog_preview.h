#pragma once
// What a found file holds, before it is exported: text, a spreadsheet grid, PDF pages, an
// archive listing, the picture or a hex view. The file is read again on a thread of its own.
// The dialog stays open beside the results and follows the file chosen in their list: quick
// changes of the choice go by without reading the disk.

#include <QDialog>
#include <QPointer>
#include <string>

#include "app/background_job.h"
#include "preview/preview_content.h"
#include "preview/preview_selection.h"
#include "support/settings.h"

class QPlainTextEdit;
class QStackedWidget;
class QTimer;

namespace tundrel {
class VolumeScanner;
struct ScanNode;
}

namespace tundrel::app {

class CDialogPreview : public QDialog {
    Q_OBJECT
public:
    // Starts on the node at once.
    CDialogPreview(VolumeScanner& scanner, const ScanNode& node, const Settings& settings, QWidget* parent);
    ~CDialogPreview() override;

    // Another file was chosen: the running preview ends at its next piece, and the new one
    // starts once the choice has stayed put for a moment.
    void Follow(VolumeScanner& scanner, const ScanNode& node);
    // The views read the scanners on the user-interface thread: the preview, which reads them
    // on its own, waits meanwhile (ended and started again). Nests.
    void Pause();
    void Resume();

    bool Ready() const { return ready_; }
    PreviewKind Kind() const { return content_.kind; }
    const ScanNode* Node() const { return node_; }
    QString ShownText() const;
    // How many previews were started: the measure of the debouncing.
    int PreviewsStarted() const { return started_; }

    static constexpr int kSettleMilliseconds = 300;

private:
    void Start();
    void Show();
    void ShowLoading();

    std::string ansiCodePage_;  // of 8-bit texts
    VolumeScanner* scanner_;
    const ScanNode* node_;
    BackgroundJob job_;
    PreviewSelection selection_;
    PreviewContent content_;
    QTimer* poll_;
    QTimer* settle_;
    QStackedWidget* views_;
    QPlainTextEdit* text_;
    QWidget* shown_ = nullptr;  // the grid or picture of the file on show, beside the text view
    bool ready_ = false;
    int paused_ = 0;
    bool restart_ = false;
    int started_ = 0;
};

// Keeps an open preview paused while it lives; none open, it does nothing.
class PreviewPause {
public:
    explicit PreviewPause(CDialogPreview* preview) : preview_(preview) {
        if (preview_ != nullptr) preview_->Pause();
    }
    ~PreviewPause() {
        if (preview_ != nullptr) preview_->Resume();
    }
    PreviewPause(const PreviewPause&) = delete;
    PreviewPause& operator=(const PreviewPause&) = delete;

private:
    QPointer<CDialogPreview> preview_;
};

}  // namespace tundrel::app
