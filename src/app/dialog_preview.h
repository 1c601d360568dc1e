#pragma once
// What a found file holds, before it is exported: text, a spreadsheet grid, PDF pages, an
// archive listing, the picture or a hex view. The file is read again on a thread of its own.

#include <QDialog>
#include <memory>

#include "app/background_job.h"
#include "preview/preview_content.h"
#include "preview/preview_selection.h"

class QPlainTextEdit;
class QStackedWidget;
class QTimer;

namespace tundrel {
class VolumeScanner;
struct ScanNode;
struct Settings;
}

namespace tundrel::app {

class CDialogPreview : public QDialog {
    Q_OBJECT
public:
    CDialogPreview(VolumeScanner& scanner, const ScanNode& node, const Settings& settings, QWidget* parent);
    ~CDialogPreview() override;

    bool Ready() const { return ready_; }
    PreviewKind Kind() const { return content_.kind; }
    QString ShownText() const;

private:
    void Show();

    BackgroundJob job_;
    PreviewSelection selection_;
    PreviewContent content_;
    QTimer* poll_;
    QStackedWidget* views_;
    QPlainTextEdit* text_;
    bool ready_ = false;
};

}  // namespace tundrel::app
