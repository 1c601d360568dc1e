#pragma once
// The grid a spreadsheet preview shows: sheets of cells, with the column widths, merged ranges,
// fonts and cell styles the workbook gives. Binary and Open XML workbooks fill the same model.
// Cells are kept sparse, so a cell far out (XFD1048576) costs one entry, not a dense grid.

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tundrel {

enum class HorizontalAlign : unsigned char { General, Center, Right };
enum class VerticalAlign : unsigned char { Top, Center, Bottom };

struct SheetFont {
    std::u16string name;
    int charset = 0;
    int family = 0;
};

struct CellStyle {
    std::uint32_t fontId = 0;
    HorizontalAlign horizontal = HorizontalAlign::General;
    VerticalAlign vertical = VerticalAlign::Top;
};

struct SheetCell {
    std::u16string text;
    std::uint32_t style = 0;  // index into Workbook::styles
};

// Zero-based and inclusive.
struct CellRange {
    std::uint32_t firstRow = 0;
    std::uint32_t firstColumn = 0;
    std::uint32_t lastRow = 0;
    std::uint32_t lastColumn = 0;
};

struct ColumnWidth {
    std::uint32_t firstColumn = 0;  // zero-based, inclusive
    std::uint32_t lastColumn = 0;
    double width = 0;  // in characters of the default font
};

struct Sheet {
    std::u16string name;
    std::map<std::pair<std::uint32_t, std::uint32_t>, SheetCell> cells;  // by (row, column)
    std::vector<ColumnWidth> columns;
    std::vector<CellRange> merged;
};

class Workbook {
public:
    // The most cells, column ranges and merged ranges a workbook keeps; further ones are passed
    // over, so a hostile file cannot make the grid exhaust memory.
    static constexpr std::size_t kMaxCells = 1'000'000;
    static constexpr std::size_t kMaxRanges = 100'000;
    static constexpr std::size_t kMaxSheets = 4'096;

    std::vector<Sheet> sheets;
    std::vector<SheetFont> fonts;
    std::vector<CellStyle> styles;

    // Starts a sheet; false (and nothing added) past kMaxSheets.
    bool AddSheet(std::u16string name);
    // Sets a cell of the last sheet, first making a sheet named "Sheet001" when there is none.
    void SetCell(std::uint32_t row, std::uint32_t column, std::u16string text, std::uint32_t style = 0);
    void AddMerged(const CellRange& range);
    void AddColumns(const ColumnWidth& columns);

    bool Empty() const;
    std::size_t CellCount() const { return cellCount_; }

private:
    Sheet& CurrentSheet();
    std::size_t cellCount_ = 0;
};

// "A1"-style reference to zero-based (row, column): letters then digits, columns up to XFD and
// rows up to 1,048,576; nothing for anything else.
std::optional<std::pair<std::uint32_t, std::uint32_t>> ParseCellReference(std::string_view reference);

// The workbook as text: each sheet headed by its name in brackets, then its rows that hold
// cells, one line each, cells separated by tabs from the sheet's first used column; tabs and
// line breaks inside a cell become spaces.
std::u16string WorkbookAsTabSeparated(const Workbook& workbook);

}  // namespace tundrel
