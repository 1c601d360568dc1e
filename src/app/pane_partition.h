#pragma once
// The lost-partition recovery: first the disk or image to search, then the partitions found,
// of which every one checked is scanned.

#include <QStackedWidget>
#include <string>
#include <vector>

#include "app/source_picker.h"
#include "app/wizard_pane.h"
#include "disk/volume_info.h"

class QLabel;
class QTreeWidget;

namespace tundrel::app {

class CPanePartition : public WizardPane {
    Q_OBJECT
public:
    explicit CPanePartition(CMainWindow& wizard);

    StringId Prompt() const override;
    PaneButtons Buttons() const override;
    void OnShown() override;
    void Next() override;
    void Back() override;
    void Third() override { picker_->OpenImage(); }

    SourcePicker& Picker() const { return *picker_; }
    QTreeWidget& FoundList() const { return *found_; }
    bool ShowsFound() const { return stages_->currentWidget() != picker_; }
    // What the search had to say of the disk (a damaged GUID table, a disk too large to search whole).
    QString SearchNotes() const;

private:
    // Runs the search behind its dialog; false when there is nothing to show.
    bool Search(const std::string& source);
    void ShowFound();
    // The second stage is a step of its own: the caption and prompt move with it.
    void MoveToStage(QWidget& stage, int stepDelta);

    QStackedWidget* stages_;
    SourcePicker* picker_;
    QTreeWidget* found_;
    std::string source_;
    std::vector<VolumeInfo> partitions_;
    QWidget* foundStage_;
    QLabel* notes_;
    bool movingBetweenStages_ = false;
};

}  // namespace tundrel::app
