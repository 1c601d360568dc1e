#include "preview/text_wrap.h"

#include <unicode/uchar.h>

namespace tundrel {

std::u16string WrapText(std::u16string_view text, const WrapRule& rule) {
    std::u16string out;
    out.reserve(text.size() + text.size() / 32);
    std::size_t lineStart = 0;  // where the current line starts in `out`
    int column = 0;
    bool wide = false;
    for (const char16_t c : text) {
        out.push_back(c);
        column = c == rule.columnReset ? 0 : column + 1;
        if (c > 0x100) wide = true;
        const bool breakChar = c == u' ' || (rule.plainEndsAtPunctuation && c != u'.' && u_ispunct(c));
        const bool end = out.size() - lineStart >= rule.maxLineChars || (wide && column > rule.wideAfter) ||
                         (!wide && column > rule.plainAfter && breakChar) ||
                         (rule.hardAfter >= 0 && column > rule.hardAfter);
        if (end) {
            out += u"\r\n";
            lineStart = out.size();
            column = 0;
            wide = false;
        }
    }
    return out;
}

}  // namespace tundrel
