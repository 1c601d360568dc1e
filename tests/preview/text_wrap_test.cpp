#include "preview/text_wrap.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tundrel {
namespace {

std::vector<std::u16string> Lines(const std::u16string& text) {
    std::vector<std::u16string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find(u"\r\n", start)) != std::u16string::npos; start = end + 2) {
        lines.push_back(text.substr(start, end - start));
    }
    lines.push_back(text.substr(start));
    return lines;
}

TEST(TextWrap, CjkLinesEndAtTheirColumnAndLatinLinesAtTheNextBreakPastTheirs) {
    const std::u16string kanji(100, u'漢');
    const auto document = Lines(WrapText(kanji));
    ASSERT_EQ(document.size(), 3u);
    EXPECT_EQ(document[0].size(), 41u);
    EXPECT_EQ(document[1].size(), 41u);
    EXPECT_EQ(document[2].size(), 18u);  // the last partial line has no break
    EXPECT_EQ(Lines(WrapText(kanji, kPdfPageWrap))[0].size(), 36u);
    EXPECT_EQ(Lines(WrapText(kanji, kPdfDisplayWrap))[0].size(), 41u);

    // 75 letters, then a space: the line runs past column 70 to the space, which it keeps.
    const std::u16string latin = std::u16string(75, u'a') + u" bcd";
    EXPECT_EQ(Lines(WrapText(latin)), (std::vector<std::u16string>{std::u16string(75, u'a') + u" ", u"bcd"}));
    // A full stop is no break; a comma is, except where only a space may end the line.
    const std::u16string stops = std::u16string(71, u'a') + u".b,c d";
    EXPECT_EQ(Lines(WrapText(stops))[0], std::u16string(71, u'a') + u".b,");
    EXPECT_EQ(Lines(WrapText(stops, kPdfDisplayWrap))[0], std::u16string(71, u'a') + u".b,c ");
    // Without any break a document line still ends at column 91; a PDF line runs on.
    const std::u16string unbroken(200, u'x');
    EXPECT_EQ(Lines(WrapText(unbroken))[0].size(), 91u);
    EXPECT_EQ(Lines(WrapText(unbroken, kPdfPageWrap)).size(), 1u);
}

TEST(TextWrap, TheColumnRestartsAtTheRuleCharacterAndAWideLineStaysWide) {
    // A carriage return sets a document's column back; a line feed does not.
    const std::u16string cr = std::u16string(60, u'a') + u"\r" + std::u16string(60, u'b') + u" c";
    EXPECT_EQ(Lines(WrapText(cr)).size(), 1u);
    const std::u16string lf = std::u16string(60, u'a') + u"\n" + std::u16string(60, u'b') + u" c";
    EXPECT_EQ(Lines(WrapText(lf)).size(), 2u);
    // One CJK character makes the whole line wide, however Latin the rest.
    const std::u16string mixed = u"漢" + std::u16string(60, u'a');
    EXPECT_EQ(Lines(WrapText(mixed))[0].size(), 41u);
    // No line of a PDF grows past 2,049 characters, whatever its column.
    const std::u16string lines = std::u16string(3000, u'\n');
    EXPECT_EQ(Lines(WrapText(lines, kPdfPageWrap))[0].size(), 2049u);
}

}  // namespace
}  // namespace tundrel
