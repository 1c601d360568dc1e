#pragma once
// The cells of an Excel Open XML workbook (.xlsx) for the spreadsheet preview.

#include <cstdint>
#include <span>

#include "preview/sheet_grid.h"

namespace tundrel {

// Shared strings, sheet names, fonts and cell styles, then "xl/worksheets/sheetN.xml" from 1 for
// as long as they exist: their column widths, cells and merged ranges. Members without a UTF-8
// declaration give nothing; an empty workbook when the bytes are not a package.
Workbook XlsxWorkbook(std::span<const std::uint8_t> file);

}  // namespace tundrel
