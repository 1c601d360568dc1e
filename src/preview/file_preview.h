#pragma once
// What the preview pane shows for a found file: its bytes are read again from the source through
// the scanner that found it, in pieces, and turned into text, a grid, PDF pages, an archive
// listing, an image or a hex view by the family of its extension.

#include <cstdint>
#include <string>

#include "preview/preview_content.h"
#include "preview/preview_limits.h"

namespace tundrel {

class PreviewSelection;
class VolumeScanner;
struct ScanNode;

struct PreviewRequest {
    VolumeScanner& scanner;
    const ScanNode& node;
    // The pane's selection and the number of the selection this preview is for: the preview
    // ends quietly once they differ. Null for a preview nobody can change (the command line).
    PreviewSelection* selection = nullptr;
    std::uint64_t generation = 0;

    bool StillSelected() const;
};

struct PreviewOptions {
    bool hex = false;                        // the hex view whatever the family
    std::uint64_t hexLimit = 64 * 1024;      // bytes the hex view shows
    std::uint64_t sizeLimit = kPreviewSizeLimit;
    std::string ansiCodePage = "CP932";      // 8-bit text of documents and text files
};

PreviewContent BuildPreview(const PreviewRequest& request, const PreviewOptions& options = {});

}  // namespace tundrel
