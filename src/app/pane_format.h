#pragma once
// The volumes offered to the formatted-volume recovery, with the quick scan of a volume whose
// file system still stands and the scan of a partition's free space alone.

#include "app/source_select_pane.h"

class QCheckBox;

namespace tundrel::app {

class CPaneFormat : public SourceSelectPane {
    Q_OBJECT
public:
    explicit CPaneFormat(CMainWindow& wizard);
    StringId Prompt() const override { return StringId::PromptVolumeChoice; }

    QCheckBox& QuickScanBox() const { return *quickScan_; }
    QCheckBox& FreeAreaBox() const { return *freeArea_; }

protected:
    std::optional<ScanRequest> RequestFor(const SourceChoice& choice) override;
    void SettleTasks(std::vector<ScanTask>& tasks) override;

private:
    // The boxes offered for the chosen row.
    void FollowSelection();

    QCheckBox* quickScan_;
    QCheckBox* freeArea_;
};

}  // namespace tundrel::app
