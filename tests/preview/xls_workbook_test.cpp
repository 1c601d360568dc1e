// Binary workbooks: the committed LibreOffice workbooks' sheets, merged ranges, widths and cells;
// shared strings that run on into CONTINUE records; and numbers in General format.

#include <gtest/gtest.h>

#include <cmath>
#include <initializer_list>

#include "preview/compound_document.h"
#include "preview/xls_workbook.h"
#include "reference_words.h"
#include "support/strings.h"

namespace tundrel {
namespace {

TEST(XlsWorkbook, GeneralNumberFormat) {
    const struct {
        double value;
        const char16_t* text;
    } numbers[] = {
        {0, u"0"},          {3, u"3"},         {-12, u"-12"}, {1364, u"1364"}, {89.5, u"89.5"},
        {0.1, u"0.1"},      {1.0 / 3, u"0.333333333333333"}, {2.0 / 3, u"0.666666666666667"},
        {123456789012345, u"123456789012345"}, {1e20, u"1e+20"}, {0.1 + 0.2, u"0.3"}, {NAN, u""},
    };
    for (const auto& [value, text] : numbers) EXPECT_EQ(GeneralNumberText(value), text) << value;
}

TEST(XlsWorkbook, SheetsRangesAndCellsOfLibreOfficeWorkbooks) {
    const struct {
        const char* name;
        const char16_t* firstSheet;
    } documents[] = {{"english.xls", u"Inventory"}, {"japanese.xls", u"在庫"}};
    AnsiCodePage codePage("CP932");
    for (const auto& [name, firstSheet] : documents) {
        SCOPED_TRACE(name);
        const std::vector<std::uint8_t> bytes = test::DocumentBytes(name);
        CompoundDocument document;
        ASSERT_TRUE(document.Load(bytes));
        const Workbook workbook = XlsWorkbook(document, codePage);
        ASSERT_EQ(workbook.sheets.size(), 2u);
        EXPECT_EQ(workbook.sheets[0].name, firstSheet);
        const Sheet& sheet = workbook.sheets[0];
        // The heading spans A1:B1; the total in C5 is a formula's cached result.
        ASSERT_EQ(sheet.merged.size(), 1u);
        EXPECT_EQ(sheet.merged[0].lastColumn - sheet.merged[0].firstColumn, 1u);
        EXPECT_EQ(sheet.merged[0].lastRow, sheet.merged[0].firstRow);
        EXPECT_EQ(sheet.cells.at({4, 2}).text, u"1364");
        EXPECT_EQ(sheet.cells.at({2, 2}).text, u"89.5");
        EXPECT_FALSE(sheet.columns.empty());
        ASSERT_FALSE(workbook.fonts.empty());
        EXPECT_FALSE(workbook.fonts[0].name.empty());
        ASSERT_LT(sheet.cells.at({0, 0}).style, workbook.styles.size());
        EXPECT_EQ(workbook.sheets[1].cells.size(), 2u);
    }
}

std::vector<std::uint8_t> Record(std::uint16_t type, std::initializer_list<int> data) {
    std::vector<std::uint8_t> record = {static_cast<std::uint8_t>(type), static_cast<std::uint8_t>(type >> 8),
                                        static_cast<std::uint8_t>(data.size()), static_cast<std::uint8_t>(data.size() >> 8)};
    for (const int byte : data) record.push_back(static_cast<std::uint8_t>(byte));
    return record;
}

TEST(XlsWorkbook, ContinuedSharedStringsAndCachedResultsBeforeAnySheet) {
    test::ScopedLanguage japanese(Language::Japanese);
    std::vector<std::uint8_t> stream;
    for (const std::vector<std::uint8_t>& record : {
             // Three strings: "abc"; "de" then, after a CONTINUE whose option byte turns to UTF-16,
             // "日本"; "xy" with one formatting run.
             Record(0x00FC, {3, 0, 0, 0, 3, 0, 0, 0, 3, 0, 0, 'a', 'b', 'c', 4, 0, 0, 'd', 'e'}),
             Record(0x003C, {1, 0xE5, 0x65, 0x2C, 0x67, 2, 0, 0x08, 1, 0, 'x', 'y', 0, 0, 0, 0}),
             Record(0x00FD, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0}),
             Record(0x00FD, {0, 0, 1, 0, 0, 0, 1, 0, 0, 0}),
             Record(0x00FD, {0, 0, 2, 0, 0, 0, 2, 0, 0, 0}),
             Record(0x0205, {1, 0, 0, 0, 0, 0, 1, 0}),
             Record(0x0205, {1, 0, 1, 0, 0, 0, 7, 1}),
             Record(0x0006, {1, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF, 0, 0, 0, 0, 0, 0}),
             Record(0x0207, {2, 0, 0, 'o', 'k'}),
             Record(0x0006, {1, 0, 3, 0, 0, 0, 1, 0, 1, 0, 0, 0, 0xFF, 0xFF, 0, 0, 0, 0, 0, 0}),
             Record(0x027E, {2, 0, 0, 0, 0, 0, 0xF7, 1, 0, 0}),  // 125 / 100
             Record(0x00BD, {2, 0, 1, 0, 0, 0, 30, 0, 0, 0, 0, 0, 0xF6, 0xFF, 0xFF, 0xFF, 2, 0}),  // 7, -3
         }) {
        stream.insert(stream.end(), record.begin(), record.end());
    }
    AnsiCodePage codePage("CP932");
    const Workbook workbook = XlsWorkbookOfStream(stream, codePage);
    const std::u16string yes = Text16(StringId::CellTrue);
    EXPECT_EQ(WorkbookAsTabSeparated(workbook),
              u"[" + Text16(StringId::DefaultSheetName) + u"]\nabc\tde日本\txy\n" + yes + u"\tErrCode:7\tok\t" + yes + u"\n1.25\t7\t-3\n");
}

}  // namespace
}  // namespace tundrel
