#pragma once
// How a font's string bytes become text: through its ToUnicode map when it has one; else
// through the encoding it names: WinAnsiEncoding (and any simple font without one) through
// the ANSI code page, GBK-EUC-H and GB2312 through GBK, the other predefined CJK maps through
// their code pages, StandardEncoding, MacRomanEncoding and the glyph names of a Differences
// array. Identity-H codes without a ToUnicode map are glyph numbers and give no text.

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <utility>
#include <string>
#include <string_view>

#include "platform/ansi_code_page.h"
#include "preview/pdf_cmap.h"
#include "preview/pdf_objects.h"

namespace tundrel {

// The code pages a file's fonts decode through, opened when first needed.
class PdfCodePages {
public:
    explicit PdfCodePages(AnsiCodePage& ansi) : ansi_(ansi) {}
    AnsiCodePage& Ansi() { return ansi_; }
    AnsiCodePage& Named(const std::string& icuName);

private:
    AnsiCodePage& ansi_;
    std::map<std::string, std::unique_ptr<AnsiCodePage>> named_;
};

// What the fonts of one file share: each ToUnicode map parsed once, however many fonts name
// it, and a cap on the glyph widths all the fonts hold together.
struct PdfFontShare {
    std::map<std::uint32_t, std::shared_ptr<const PdfCMap>> maps;
    std::size_t widthBudget = 1'000'000;
};

class PdfFont {
public:
    PdfFont() = default;
    PdfFont(PdfObjects& objects, const PdfValue& dictionary, PdfFontShare& share);

    // The text of a string's bytes; `advance` gets how far the string moves the text, in ems:
    // from the font's widths, or half an em a narrow character and one a wide one.
    std::u16string Decode(std::string_view bytes, PdfCodePages& codePages, double& advance) const;

private:
    enum class Base : unsigned char { Ansi, Standard, CodePage, Utf16, Utf8, Glyphs };

    std::u16string DecodeWithoutMap(std::string_view bytes, PdfCodePages& codePages) const;
    void ReadWidths(PdfObjects& objects, const PdfValue& dictionary, std::size_t& budget);
    void SetWidth(std::uint32_t first, std::uint32_t last, double width, std::size_t& budget);
    std::optional<double> Width(std::uint32_t code) const;

    bool composite_ = false;  // a Type0 font: two-byte codes unless its maps say otherwise
    Base base_ = Base::Ansi;
    std::string codePage_;            // the ICU name, for Base::CodePage
    std::u16string differences_;      // 256 code overrides from a Differences array; 0 for none
    std::shared_ptr<const PdfCMap> toUnicode_ = std::make_shared<const PdfCMap>();
    std::map<std::uint32_t, std::pair<std::uint32_t, double>> widths_;  // first code to (last code, width)
    std::optional<double> defaultWidth_;
};

// The Unicode text of a glyph name ("A", "comma", "uni4E2D", "u1F600"); empty when unknown.
std::u16string GlyphNameText(std::string_view name);

}  // namespace tundrel
