#pragma once
// Finding found files by a part of their name or by their extension, across every volume's
// results. The walk opens folders as it goes, so it runs on a thread of its own; the chosen
// match is shown in the result views.

#include <QDialog>
#include <atomic>
#include <vector>

#include "app/background_job.h"
#include "modes/scan_session.h"

class QLabel;
class QLineEdit;
class QRadioButton;
class QTimer;
class QTreeWidget;

namespace tundrel::app {

class CDialogFindFile : public QDialog {
    Q_OBJECT
public:
    CDialogFindFile(std::vector<VolumeScanner*> scanners, QWidget* parent);
    ~CDialogFindFile() override;

    void Find();
    bool Searching() const { return search_.Running(); }
    // The match chosen with OK.
    std::optional<FoundNode> Chosen() const;

    QLineEdit& TextField() const { return *text_; }
    QRadioButton& ByExtension() const { return *byExtension_; }
    QTreeWidget& Matches() const { return *matches_; }

    void accept() override;

private:
    void SearchEnded();

    std::vector<VolumeScanner*> scanners_;
    BackgroundJob search_;
    std::atomic<std::uint32_t> stop_{0};
    std::vector<FoundNode> found_;  // written by the search until collected
    QLineEdit* text_;
    QRadioButton* byName_;
    QRadioButton* byExtension_;
    QTreeWidget* matches_;
    QLabel* status_;
    QTimer* poll_;
};

}  // namespace tundrel::app
