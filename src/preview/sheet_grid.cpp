#include "preview/sheet_grid.h"

#include <algorithm>

#include "support/strings.h"

namespace tundrel {

bool Workbook::AddSheet(std::u16string name) {
    if (sheets.size() >= kMaxSheets) return false;
    sheets.push_back(Sheet{std::move(name), {}, {}, {}});
    return true;
}

Sheet& Workbook::CurrentSheet() {
    if (sheets.empty()) sheets.push_back(Sheet{Text16(StringId::DefaultSheetName), {}, {}, {}});
    return sheets.back();
}

void Workbook::SetCell(std::uint32_t row, std::uint32_t column, std::u16string text, std::uint32_t style) {
    Sheet& sheet = CurrentSheet();
    const auto key = std::make_pair(row, column);
    auto found = sheet.cells.find(key);
    if (found != sheet.cells.end()) {
        found->second = SheetCell{std::move(text), style};
        return;
    }
    if (cellCount_ >= kMaxCells) return;
    sheet.cells.emplace(key, SheetCell{std::move(text), style});
    ++cellCount_;
}

void Workbook::AddMerged(const CellRange& range) {
    Sheet& sheet = CurrentSheet();
    if (sheet.merged.size() < kMaxRanges) sheet.merged.push_back(range);
}

void Workbook::AddColumns(const ColumnWidth& columns) {
    Sheet& sheet = CurrentSheet();
    if (sheet.columns.size() < kMaxRanges) sheet.columns.push_back(columns);
}

bool Workbook::Empty() const {
    return std::all_of(sheets.begin(), sheets.end(), [](const Sheet& sheet) { return sheet.cells.empty(); });
}

std::optional<std::pair<std::uint32_t, std::uint32_t>> ParseCellReference(std::string_view reference) {
    constexpr std::uint32_t kMaxColumns = 16'384;
    constexpr std::uint32_t kMaxRows = 1'048'576;
    std::size_t i = 0;
    std::uint32_t column = 0;
    while (i < reference.size() && i < 3) {
        char c = reference[i];
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        if (c < 'A' || c > 'Z') break;
        column = column * 26 + static_cast<std::uint32_t>(c - 'A' + 1);
        ++i;
    }
    if (i == 0 || column > kMaxColumns) return std::nullopt;
    std::uint32_t row = 0;
    const std::size_t digits = i;
    while (i < reference.size() && i - digits < 7 && reference[i] >= '0' && reference[i] <= '9') {
        row = row * 10 + static_cast<std::uint32_t>(reference[i] - '0');
        ++i;
    }
    if (i == digits || i != reference.size() || row == 0 || row > kMaxRows) return std::nullopt;
    return std::make_pair(row - 1, column - 1);
}

std::u16string WorkbookAsTabSeparated(const Workbook& workbook) {
    std::u16string out;
    for (const Sheet& sheet : workbook.sheets) {
        out += u"[" + sheet.name + u"]\n";
        std::uint32_t firstColumn = UINT32_MAX;
        for (const auto& [key, cell] : sheet.cells) firstColumn = std::min(firstColumn, key.second);
        bool rowOpen = false;
        std::uint32_t row = 0;
        std::uint32_t column = 0;
        for (const auto& [key, cell] : sheet.cells) {
            if (!rowOpen || key.first != row) {
                if (rowOpen) out += u'\n';
                rowOpen = true;
                row = key.first;
                column = firstColumn;
            }
            out.append(key.second - column, u'\t');
            column = key.second;
            for (char16_t c : cell.text) out += (c == u'\t' || c == u'\r' || c == u'\n') ? u' ' : c;
        }
        if (rowOpen) out += u'\n';
    }
    return out;
}

}  // namespace tundrel
