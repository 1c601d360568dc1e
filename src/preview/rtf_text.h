#pragma once
// The plain text of a rich-text (RTF) document, for the preview.

#include <cstdint>
#include <span>
#include <string>

#include "platform/ansi_code_page.h"

namespace tundrel {

// The document's text without its control words and groups. Destinations that hold no body
// text (font, colour and style tables, document information, pictures, objects, field
// instructions, and every "\*" group) are skipped whole. \par, \line, \row, \sect and \page end
// a line ("\r\n"); \tab and \cell give a tab. \uN gives the UTF-16 unit N and skips the \ucN
// fallback characters after it; \'hh bytes and plain 8-bit text are decoded in the document's
// code page (\ansicpgN), else in `codePage`. Groups nested deeper than kRtfMaxGroupDepth are
// read as part of the deepest one.
std::u16string RtfPlainText(std::span<const std::uint8_t> document, AnsiCodePage& codePage);

inline constexpr std::size_t kRtfMaxGroupDepth = 256;

}  // namespace tundrel
