// The preview's compound-document reader and its Word, PowerPoint and workbook readers over
// arbitrary bytes. No stream may come out longer than the buffer, and the workbook keeps within
// its caps.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>

#include "preview/compound_document.h"
#include "preview/powerpoint_binary_text.h"
#include "preview/word_binary_text.h"
#include "preview/xls_workbook.h"

using namespace tundrel;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    static AnsiCodePage codePage("CP932");
    CompoundDocument document;
    if (!document.Load(bytes)) return 0;
    for (const CompoundEntry& entry : document.Entries()) {
        if (document.ReadStream(entry).size() > size) {
            std::fprintf(stderr, "stream longer than the buffer\n");
            std::abort();
        }
    }
    (void)WordBinaryText(document, codePage);
    (void)PowerPointBinaryText(document, codePage);
    const Workbook workbook = XlsWorkbook(document, codePage);
    if (workbook.CellCount() > Workbook::kMaxCells || workbook.sheets.size() > Workbook::kMaxSheets) {
        std::fprintf(stderr, "workbook past its caps\n");
        std::abort();
    }
    return 0;
}
