#include "preview/sheet_grid.h"

#include <gtest/gtest.h>

#include <string>

#include "support/strings.h"

namespace tundrel {
namespace {

using Cell = std::pair<std::uint32_t, std::uint32_t>;

TEST(SheetGrid, CellReferencesReachXfd1048576AndNoFurther) {
    const struct {
        const char* reference;
        std::optional<Cell> cell;
    } cases[] = {
        {"A1", Cell{0, 0}},           {"b2", Cell{1, 1}},         {"Z10", Cell{9, 25}},
        {"AA1", Cell{0, 26}},         {"XFD1048576", Cell{1048575, 16383}},
        {"XFE1", std::nullopt},       {"A1048577", std::nullopt}, {"A0", std::nullopt},
        {"1A", std::nullopt},         {"A", std::nullopt},        {"AAAA1", std::nullopt},
        {"A1:B2", std::nullopt},      {"A99999999", std::nullopt}, {"", std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(ParseCellReference(c.reference), c.cell) << c.reference;
}

TEST(SheetGrid, CellsStaySparseAndPrintFromTheFirstUsedColumn) {
    SetLanguage(Language::Japanese);
    Workbook workbook;
    workbook.SetCell(1048575, 16383, u"far");  // before any sheet: one is made
    workbook.SetCell(2, 3, u"a\tb");
    workbook.SetCell(2, 5, u"c");
    workbook.SetCell(2, 5, u"d");  // a cell set again keeps one entry
    ASSERT_EQ(workbook.sheets.size(), 1u);
    EXPECT_EQ(workbook.sheets[0].name, u"Sheet001");
    EXPECT_EQ(workbook.CellCount(), 3u);
    ASSERT_TRUE(workbook.AddSheet(u"Second"));
    workbook.SetCell(0, 0, u"x");
    EXPECT_EQ(WorkbookAsTabSeparated(workbook),
              u"[Sheet001]\na b\t\td\n" + std::u16string(16380, u'\t') + u"far\n[Second]\nx\n");
}

TEST(SheetGrid, AHostileWorkbookCannotGrowWithoutBound) {
    Workbook workbook;
    for (std::uint32_t i = 0; i < Workbook::kMaxCells + 10; ++i) workbook.SetCell(i, 0, {});
    EXPECT_EQ(workbook.CellCount(), Workbook::kMaxCells);
    std::size_t added = 0;
    while (workbook.AddSheet(u"s")) ++added;
    EXPECT_EQ(workbook.sheets.size(), Workbook::kMaxSheets);
    EXPECT_GT(added, 0u);
}

}  // namespace
}  // namespace tundrel
