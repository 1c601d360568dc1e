#include "app/pane_format.h"

namespace tundrel::app {

std::optional<ScanRequest> CPaneFormat::RequestFor(const SourceChoice& choice) {
    return ScanRequest{choice.source, kModeFormattedVolume, choice.volumeStart};
}

}  // namespace tundrel::app
