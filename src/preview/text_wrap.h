#pragma once
// Line wrapping of extracted document text, so that a preview pane without wrapping of its own
// shows short lines: a line of CJK text ends at a fixed column, a line of Latin text at the
// first space or punctuation mark past a column.

#include <cstddef>
#include <string>
#include <string_view>

namespace tundrel {

struct WrapRule {
    char16_t columnReset = u'\r';  // the character that sets the column back to 0
    std::size_t maxLineChars = 2049;
    int wideAfter = 40;    // a line holding a character above U+0100 ends past this column
    int plainAfter = 70;   // any other line ends past this column at a space...
    bool plainEndsAtPunctuation = true;  // ...or at a punctuation mark other than '.'
    int hardAfter = 90;    // every line ends past this column; negative for no such limit
};

// Extracted Word and PowerPoint text.
inline constexpr WrapRule kDocumentWrap{};
// PDF text while a page is collected, and once more when it is shown.
inline constexpr WrapRule kPdfPageWrap{u'\n', 2049, 35, 60, true, -1};
inline constexpr WrapRule kPdfDisplayWrap{u'\n', 2049, 40, 70, false, -1};

// `text` with "\r\n" written after every line the rule ends; the last partial line gets none.
std::u16string WrapText(std::u16string_view text, const WrapRule& rule = kDocumentWrap);

}  // namespace tundrel
