#pragma once
// The text operators of a content stream: the strings it shows (Tj, TJ, ', "), the fonts it
// selects (Tf), the objects it draws (Do), and where the text position jumps (Td, TD, Tm, T*,
// a new text object, a large negative kerning in TJ), told as word and line breaks.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace tundrel {

enum class PdfBreak : unsigned char { Word, Line };

// What showing a string gave: its width in ems of the font size (an estimate where the font
// gives no widths), and its characters and spaces, which character and word spacing widen.
struct PdfShown {
    double ems = 0;
    std::size_t characters = 0;
    std::size_t spaces = 0;
};

class PdfContentHandler {
public:
    virtual ~PdfContentHandler() = default;
    virtual void SetFont(std::string_view resourceName) = 0;
    // Shows the string's bytes in the current font.
    virtual PdfShown ShowText(std::string_view bytes) = 0;
    virtual void Break(PdfBreak kind) = 0;
    virtual void DrawObject(std::string_view resourceName) = 0;
};

void InterpretPdfContent(std::span<const std::uint8_t> content, PdfContentHandler& handler);

}  // namespace tundrel
