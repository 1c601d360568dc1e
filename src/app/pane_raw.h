#pragma once
// The full scan's targets: disks, partitions and image files, with an optional range of
// sectors.

#include <optional>

#include "app/source_select_pane.h"

class QLabel;

namespace tundrel::app {

class CPaneRaw : public SourceSelectPane {
    Q_OBJECT
public:
    explicit CPaneRaw(CMainWindow& wizard);
    StringId Prompt() const override { return StringId::PromptRawChoice; }
    void OnShown() override;

    void SetUpRange();

protected:
    std::optional<ScanRequest> RequestFor(const SourceChoice& choice) override;

private:
    void ShowRange();

    QLabel* rangeText_;
    std::optional<SectorRange> range_;
};

}  // namespace tundrel::app
