// The PDF text reader over arbitrary bytes: objects found by keyword, object streams, streams
// inflated, character maps, content streams, forms and the page tree, then the text as shown.
// Every page's text is already wrapped, so no line of it may run past the wrap's line limit.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>

#include "platform/ansi_code_page.h"
#include "preview/pdf_text.h"
#include "preview/text_wrap.h"

using namespace tundrel;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static AnsiCodePage ansi("CP932");
    const PdfText text = ReadPdfText(std::span<const std::uint8_t>(data, size), ansi);
    if (text.status != PdfTextStatus::Text && !text.pages.empty()) {
        std::fprintf(stderr, "pages beside a message\n");
        std::abort();
    }
    for (const std::u16string& page : text.pages) {
        std::size_t line = 0;
        for (const char16_t c : page) {
            line = c == u'\n' ? 0 : line + 1;
            if (line > kPdfPageWrap.maxLineChars + 1) {
                std::fprintf(stderr, "a line past the wrap's limit\n");
                std::abort();
            }
        }
    }
    (void)PdfDisplayText(text.pages);
    return 0;
}
