#pragma once
// The text of a PDF file, page by page, as the preview pane shows it.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "platform/ansi_code_page.h"

namespace tundrel {

enum class PdfTextStatus : unsigned char {
    Text,       // `pages` hold the text (a page may be empty)
    BadHeader,  // the file does not start with "%PDF"
    Encrypted,  // the file names "/Encrypt"
};

struct PdfText {
    PdfTextStatus status = PdfTextStatus::Text;
    std::vector<std::u16string> pages;  // each page's text, wrapped with kPdfPageWrap
};

// The pages are found through the page tree, else (a damaged or truncated file) the page
// objects the file still holds; text in a font's ToUnicode map or its encoding, 8-bit text
// through `ansi`.
PdfText ReadPdfText(std::span<const std::uint8_t> file, AnsiCodePage& ansi);

// The pages' text as the pane shows it: each page headed with its number, a line feed after
// every carriage return that has none, wrapped once more with kPdfDisplayWrap.
std::u16string PdfDisplayText(const std::vector<std::u16string>& pages);

// The message the pane shows in place of text: "文件头不对" or "File is encrypted."; empty for Text.
std::u16string PdfStatusMessage(PdfTextStatus status);

}  // namespace tundrel
