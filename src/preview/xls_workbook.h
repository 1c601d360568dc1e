#pragma once
// The grid of an Excel binary workbook (.xls) for the spreadsheet preview.

#include <cstdint>
#include <span>
#include <string>

#include "platform/ansi_code_page.h"
#include "preview/compound_document.h"
#include "preview/sheet_grid.h"

namespace tundrel {

// The sheets, cells, fonts, cell styles, column widths and merged ranges of the workbook stream
// ("Workbook", or "Book" in older files). BIFF8 text is UTF-16; the 8-bit text of older BIFF5
// files is widened through `codePage`. Numbers are shown as the General format shows them.
// An empty workbook when the document holds no workbook stream.
Workbook XlsWorkbook(const CompoundDocument& document, AnsiCodePage& codePage);
// The same from the workbook stream's bytes.
Workbook XlsWorkbookOfStream(std::span<const std::uint8_t> stream, AnsiCodePage& codePage);

// `value` as a cell in General format shows it: integers without a fraction, other numbers
// with up to 15 significant digits and no trailing zeros.
std::u16string GeneralNumberText(double value);

}  // namespace tundrel
