#include "app/pane_delete.h"

#include "app/main_window.h"

namespace tundrel::app {

std::optional<ScanRequest> CPaneDelete::RequestFor(const SourceChoice& choice) {
    wizard_.Session().settings.carveInDeletedMode = choice.scanRemainingArea;
    return ScanRequest{choice.source, kModeDeletedFiles, choice.volumeStart};
}

}  // namespace tundrel::app
