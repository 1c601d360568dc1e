#include "preview/xlsx_workbook.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "zip_builder.h"

namespace tundrel {
namespace {

using test::Declared;

TEST(XlsxWorkbook, CellsStylesAndRangesOfEachSheet) {
    const test::ScopedLanguage language(Language::Japanese);
    const Workbook book = XlsxWorkbook(test::ZipOf({
        {"xl/sharedStrings.xml",
         Declared("<sst count=\"2\"><si><t>one</t></si><si/><si><r><t>t</t></r><r><rPr/><t xml:space=\"preserve\">wo</t>"
                  "</r></si></sst>")},
        {"xl/workbook.xml", Declared("<workbook><sheets><sheet name=\"A &amp; B\" sheetId=\"1\"/><sheet sheetId=\"2\"/>"
                                     "</sheets></workbook>")},
        {"xl/styles.xml",
         Declared("<styleSheet><fonts count=\"1\"><font><sz val=\"11\"/><name val=\"MS Gothic\"/><charset val=\"128\"/>"
                  "<family val=\"3\"/></font></fonts><cellStyleXfs><xf fontId=\"7\"/></cellStyleXfs><cellXfs count=\"2\">"
                  "<xf fontId=\"0\"/><xf fontId=\"1\" applyAlignment=\"1\"><alignment horizontal=\"center\" "
                  "vertical=\"bottom\"/></xf></cellXfs></styleSheet>")},
        {"xl/worksheets/sheet1.xml",
         Declared("<worksheet><cols><col min=\"2\" max=\"3\" width=\"12.5\"/><col min=\"0\" max=\"1\" width=\"1\"/></cols>"
                  "<sheetData><row r=\"1\"><c r=\"A1\" s=\"1\" t=\"s\"><v>2</v></c><c r=\"B1\" t=\"s\"><v>9</v></c>"
                  "<c r=\"C1\" t=\"b\"><v>1</v></c><c r=\"D1\" s=\"1\"/><c r=\"E1\" s=\"5\"><v>-1.5</v></c></row>"
                  "<row r=\"2\"/><row r=\"3\"><c r=\"A3\" t=\"inlineStr\"><is><t>inline</t></is></c></row>"
                  "<row r=\"1048576\"><c r=\"XFD1048576\"><f>A1</f><v>42</v></c></row></sheetData>"
                  "<mergeCells count=\"1\"><mergeCell ref=\"C4:A2\"/></mergeCells></worksheet>")},
        {"xl/worksheets/sheet2.xml", Declared("<worksheet><sheetData><row><c r=\"B2\" t=\"b\"><v>0</v></c></row></sheetData></worksheet>")},
        {"xl/worksheets/sheet4.xml", Declared("<worksheet><sheetData><row><c r=\"A1\"><v>4</v></c></row></sheetData></worksheet>")},
    }));
    ASSERT_EQ(book.sheets.size(), 2u);
    EXPECT_EQ(book.sheets[0].name, u"A &amp; B");
    EXPECT_EQ(book.sheets[1].name, u"Sheet001");
    const std::map<std::pair<std::uint32_t, std::uint32_t>, std::u16string> first{
        {{0, 0}, u"two"}, {{0, 2}, u"True"}, {{0, 4}, u"-1.5"}, {{2, 0}, u"inline"}, {{1'048'575, 16'383}, u"42"}};
    std::map<std::pair<std::uint32_t, std::uint32_t>, std::u16string> cells;
    for (const auto& [at, cell] : book.sheets[0].cells) cells[at] = cell.text;
    EXPECT_EQ(cells, first);
    EXPECT_EQ(book.sheets[0].cells.at({0, 0}).style, 1u);
    EXPECT_EQ(book.sheets[0].cells.at({0, 4}).style, 0u);  // no such style
    ASSERT_EQ(book.sheets[1].cells.size(), 1u);
    EXPECT_EQ(book.sheets[1].cells.at({1, 1}).text, u"False");

    const auto& columns = book.sheets[0].columns;
    ASSERT_EQ(columns.size(), 1u);
    EXPECT_EQ(std::tie(columns[0].firstColumn, columns[0].lastColumn, columns[0].width), std::make_tuple(1u, 2u, 12.5));
    const auto& merged = book.sheets[0].merged;
    ASSERT_EQ(merged.size(), 1u);
    EXPECT_EQ(std::tie(merged[0].firstRow, merged[0].firstColumn, merged[0].lastRow, merged[0].lastColumn),
              std::make_tuple(1u, 0u, 3u, 2u));
    ASSERT_EQ(book.fonts.size(), 1u);
    EXPECT_EQ(std::tie(book.fonts[0].name, book.fonts[0].charset, book.fonts[0].family), std::make_tuple(u"MS Gothic", 128, 3));
    ASSERT_EQ(book.styles.size(), 2u);
    EXPECT_EQ(std::tie(book.styles[1].fontId, book.styles[1].horizontal, book.styles[1].vertical),
              std::make_tuple(1u, HorizontalAlign::Center, VerticalAlign::Bottom));
}

}  // namespace
}  // namespace tundrel
