#pragma once
// The lost-partition recovery: first the disk or image to search, then the partitions found,
// of which every one checked is scanned.

#include <QStackedWidget>
#include <atomic>
#include <string>
#include <vector>

#include "app/background_job.h"
#include "app/source_picker.h"
#include "app/wizard_pane.h"
#include "disk/volume_info.h"

class QLabel;
class QTimer;
class QTreeWidget;

namespace tundrel::app {

class CPanePartition : public WizardPane {
    Q_OBJECT
public:
    explicit CPanePartition(CMainWindow& wizard);
    ~CPanePartition() override;

    StringId Prompt() const override;
    PaneButtons Buttons() const override;
    void OnShown() override;
    void Next() override;
    void Back() override;
    void Third() override { picker_->OpenImage(); }

    SourcePicker& Picker() const { return *picker_; }
    QTreeWidget& FoundList() const { return *found_; }
    bool ShowsFound() const { return stages_->currentWidget() != picker_; }
    bool Searching() const { return search_.Running(); }

private:
    void StartSearch(const std::string& source);
    void SearchEnded();
    void StopSearch();
    void ShowFound();
    // The second stage is a step of its own: the caption and prompt move with it.
    void MoveToStage(QWidget& stage, int stepDelta);

    QStackedWidget* stages_;
    SourcePicker* picker_;
    QTreeWidget* found_;
    std::string source_;
    std::vector<VolumeInfo> partitions_;
    // The search runs on its own thread, which alone writes `searchResult_` until collected.
    BackgroundJob search_;
    std::atomic<std::uint32_t> stopSearch_{0};
    std::vector<VolumeInfo> searchResult_;
    QTimer* poll_;
    QLabel* searching_;
    bool movingBetweenStages_ = false;
};

}  // namespace tundrel::app
