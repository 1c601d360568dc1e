#pragma once
// What a preview pane shows for one found file.

#include <cstdint>
#include <string>
#include <vector>

#include "preview/image_facts.h"
#include "preview/sheet_grid.h"

namespace tundrel {

enum class PreviewKind : unsigned char {
    Nothing,   // no text came of the file (an invalid document, a stopped preview)
    Text,      // `text`: plain text, extracted document text or a message in its place
    RichText,  // `bytes` hold the RTF for a rich-text view, `text` its plain text
    Grid,      // `workbook`
    PdfPages,  // `pages`: each page's text, already wrapped; `text` holds a message instead
    Listing,   // `text`: an archive's entries, or "File Damaged!"
    Hex,       // `text`: the hex view of the first bytes
    Image,     // `bytes` for the image viewer; `image` says what they are
};

struct PreviewContent {
    PreviewKind kind = PreviewKind::Nothing;
    std::u16string text;
    std::vector<std::uint8_t> bytes;
    Workbook workbook;
    std::vector<std::u16string> pages;
    ImageFacts image;
    std::uint64_t fileSize = 0;
    bool unlocated = false;   // the scanner could not locate the file's data
    bool cutAtLimit = false;  // the file is larger than the preview reads
    bool stopped = false;     // the selection changed, or a read failed, before the file was read
};

}  // namespace tundrel
