#pragma once
// The volumes offered to the deleted-file recovery, each with the choice of also scanning the
// area its file system does not use.

#include "app/source_select_pane.h"

namespace tundrel::app {

class CPaneDelete : public SourceSelectPane {
    Q_OBJECT
public:
    explicit CPaneDelete(CMainWindow& wizard) : SourceSelectPane(wizard, SourceKind::Volumes, true) {}
    StringId Prompt() const override { return StringId::PromptVolumeChoice; }

protected:
    std::optional<ScanRequest> RequestFor(const SourceChoice& choice) override;
};

}  // namespace tundrel::app
