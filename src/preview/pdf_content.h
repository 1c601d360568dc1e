#pragma once
// The text operators of a content stream: the strings it shows (Tj, TJ, ', "), the fonts it
// selects (Tf), the objects it draws (Do), and where the text position jumps (Td, TD, Tm, T*,
// a new text object, a large negative kerning in TJ), told as word and line breaks.

#include <cstdint>
#include <span>
#include <string_view>

namespace tundrel {

enum class PdfBreak : unsigned char { Word, Line };

class PdfContentHandler {
public:
    virtual ~PdfContentHandler() = default;
    virtual void SetFont(std::string_view resourceName) = 0;
    // Shows the string's bytes in the current font; returns how far the text advanced, in ems
    // of the font size (an estimate: the reader knows no glyph widths).
    virtual double ShowText(std::string_view bytes) = 0;
    virtual void Break(PdfBreak kind) = 0;
    virtual void DrawObject(std::string_view resourceName) = 0;
};

void InterpretPdfContent(std::span<const std::uint8_t> content, PdfContentHandler& handler);

}  // namespace tundrel
