// The tokens of PDF syntax and a ToUnicode map, read from small hand-written texts.

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "preview/pdf_cmap.h"
#include "preview/pdf_lexer.h"
#include "preview/pdf_objects.h"
#include "test_support.h"

namespace tundrel {
namespace {

TEST(PdfLexer, StringsDecodeTheirEscapes) {
    const struct {
        std::string_view source;
        std::string_view bytes;
    } cases[] = {
        {"(a\\nb\\rc\\td\\be\\ff)", "a\nb\rc\td\be\ff"},
        {"(\\(x\\) \\\\)", "(x) \\"},
        {"(a(b)c)", "a(b)c"},                         // balanced parentheses need no escape
        {"(\\101\\0612\\7)", "A12\x07"},              // octal of one to three digits
        {"(line\\\r\nnext\\\nlast)", "linenextlast"},  // a backslash before an end of line joins
        {"(\\q)", "q"},                               // an unknown escape gives the character
        {"<48 65 6c6C\n6>", "Hell\x60"},              // white space ignored, an odd last digit is followed by 0
        {"(unterminated", "unterminated"},
    };
    for (const auto& c : cases) {
        const std::vector<std::uint8_t> bytes = TextBytes(c.source);
        PdfLexer lexer(bytes);
        const PdfToken token = lexer.Next();
        EXPECT_EQ(token.kind, PdfTokenKind::String) << c.source;
        EXPECT_EQ(token.text, c.bytes) << c.source;
    }
}

TEST(PdfLexer, ValuesKeepReferencesNamesAndNesting) {
    const std::vector<std::uint8_t> bytes = TextBytes("<</Type/Pa#67e/Kids[3 0 R 4 0 R]/Count -2.5/N<</Deep[[1]]>>/Bad>>");
    PdfLexer lexer(bytes);
    std::size_t budget = 100;
    const PdfValue value = ParsePdfValue(lexer, budget);
    EXPECT_TRUE(value.Get("Type")->IsName("Page"));
    ASSERT_EQ(value.Get("Kids")->items.size(), 2u);
    EXPECT_EQ(value.Get("Kids")->items[1].kind, PdfValue::Kind::Reference);
    EXPECT_EQ(value.Get("Kids")->items[1].ReferenceNumber(), 4u);
    EXPECT_DOUBLE_EQ(value.Get("Count")->number, -2.5);
    EXPECT_EQ(value.Get("N")->Get("Deep")->items[0].items[0].Integer(), 1);
    EXPECT_EQ(value.Get("Bad"), nullptr);  // a key without a value before ">>" is dropped

    // Nesting deeper than the cap, and a value larger than its node budget, end.
    const std::vector<std::uint8_t> deep = TextBytes(std::string(100'000, '[') + std::string(100'000, ']'));
    PdfLexer deepLexer(deep);
    std::size_t large = 1'000'000;
    EXPECT_EQ(ParsePdfValue(deepLexer, large).kind, PdfValue::Kind::Array);
    std::size_t small = 5;
    PdfLexer wide(bytes);
    ParsePdfValue(wide, small);
    EXPECT_EQ(small, 0u);
}

TEST(PdfCMap, MapsCharactersAndRangesOfOneToFourBytes) {
    const std::vector<std::uint8_t> bytes = TextBytes(
        "/CIDInit /ProcSet findresource begin 12 dict begin begincmap\n"
        "2 begincodespacerange <00> <7f> <8000> <ffff> endcodespacerange\n"
        "2 beginbfchar <41> <0058> <8141> <d83dde00> endbfchar\n"
        "3 beginbfrange <61> <63> <0041> <9000> <9002> [<4e2d> <56fd> <0066006c>]\n"
        "<00010000> <00010005> <3042> endbfrange endcmap end end\n");
    const PdfCMap map(bytes);
    const struct {
        std::uint32_t code;
        std::size_t length;
        std::optional<std::u16string> text;
    } cases[] = {
        {0x41, 1, u"X"},
        {0x8141, 2, u"\U0001F600"},
        {0x61, 1, u"A"},
        {0x63, 1, u"C"},  // the last unit counts up along the range
        {0x9000, 2, u"中"},
        {0x9002, 2, u"fl"},
        {0x10003, 4, u"\u3045"},
        {0x64, 1, std::nullopt},
        {0x41, 2, std::nullopt},  // the same code at another length is another code
    };
    for (const auto& c : cases) EXPECT_EQ(map.Lookup(c.code, c.length), c.text) << std::hex << c.code;

    const std::vector<std::uint8_t> mixed = {0x41, 0x90, 0x01};
    EXPECT_EQ(map.CodeLength(mixed, 2), 1u);
    EXPECT_EQ(map.CodeLength(std::span(mixed).subspan(1), 1), 2u);
    EXPECT_EQ(PdfCMap(TextBytes("beginbfchar <0001> <0041> endbfchar")).CodeLength(mixed, 2), 2u);
}

}  // namespace
}  // namespace tundrel
