#pragma once
// The volumes offered to the formatted-volume recovery.

#include "app/source_select_pane.h"

namespace tundrel::app {

class CPaneFormat : public SourceSelectPane {
    Q_OBJECT
public:
    explicit CPaneFormat(CMainWindow& wizard) : SourceSelectPane(wizard, SourceKind::Volumes, false) {}
    StringId Prompt() const override { return StringId::PromptVolumeChoice; }

protected:
    std::optional<ScanRequest> RequestFor(const SourceChoice& choice) override;
};

}  // namespace tundrel::app
