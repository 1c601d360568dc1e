// Rich text as plain text, image facts and the hex view, over files made by LibreOffice and
// ImageMagick (tests/preview/data/README.md) and small hand-made damage.

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/ansi_code_page.h"
#include "preview/hex_view.h"
#include "preview/image_facts.h"
#include "preview/rtf_text.h"
#include "support/text.h"
#include "test_support.h"

namespace tundrel {
namespace {

using namespace test;

const std::filesystem::path kTextDocuments = TUNDREL_TEST_DATA_DIR "/preview/data";

std::string RtfText(std::string_view rtf, const char* codePageName = "windows-1252") {
    AnsiCodePage codePage(codePageName);
    const std::vector<std::uint8_t> bytes(rtf.begin(), rtf.end());
    return ToUtf8(RtfPlainText(bytes, codePage));
}

TEST(RtfPlainText, WriterDocumentGivesItsText) {
    AnsiCodePage codePage("CP932");
    const auto text = ToUtf8(RtfPlainText(FileBytes(kTextDocuments / "plain-and-japanese.rtf"), codePage));
    std::string expected;
    for (const std::uint8_t c : FileBytes(kTextDocuments / "plain-and-japanese.txt")) expected += c == '\n' ? std::string("\r\n") : std::string(1, char(c));
    EXPECT_EQ(text, expected);
}

TEST(RtfPlainText, DecodesEscapesInTheDocumentsCodePage) {
    const struct {
        const char* rtf;
        const char* codePage;  // the system's
        const char* text;
    } cases[] = {
        {R"({\rtf1\ansi\ansicpg932{\fonttbl{\f0\fcharset128 \'82\'6c\'82\'72 \'96\'be\'92\'a9;}}\f0 \'93\'fa\'96\'7b\par x})", "windows-1252", "日本\r\nx"},
        {R"({\rtf1\ansi \'93\'fa\'96\'7b})", "CP932", "日本"},
        {R"({\rtf1\ansi\ansicpg1252 caf\'e9})", "CP932", "café"},
        {R"({\rtf1 \uc2\u26085\'93\'fa\u-30050??!})", "windows-1252", "日語!"},
        {R"({\rtf1 a{\*\unknowndest hidden}b{\info{\title T}}c{\pict\bin3 }}}}d})", "windows-1252", "abcd"},
        {R"({\rtf1 one\tab two\line \{three\}\\})", "windows-1252", "one\ttwo\r\n{three}\\"},
    };
    for (const auto& c : cases) EXPECT_EQ(RtfText(c.rtf, c.codePage), c.text) << c.rtf;
}

TEST(RtfPlainText, DeepOrUnbalancedGroupsEndQuietly) {
    EXPECT_EQ(RtfText(std::string(100000, '{') + "deep" + std::string(100000, '}') + "after"), "deepafter");
    EXPECT_EQ(RtfText("}}}{{text\\"), "text");
    EXPECT_EQ(RtfText("{\\u99999999999999999999 ?y}"), "\uFFFDy") << "a Unicode value out of range";
}

TEST(ReadImageFacts, FormatAndSizeOfEachKind) {
    const struct {
        const char* file;
        const char* format;
        std::uint32_t width, height;
        std::size_t bytesBeforeSize;
    } cases[] = {
        {"tiny.bmp", "bmp", 3, 2, 18},  {"tiny.jpg", "jpeg", 3, 2, 18},    {"tiny.png", "png", 3, 2, 18},
        {"tiny.gif", "gif", 3, 2, 7},   {"tiny-le.tif", "tiff", 5, 4, 18}, {"tiny-be.tif", "tiff", 5, 4, 18},
    };
    for (const auto& c : cases) {
        const auto bytes = FileBytes(kTextDocuments / c.file);
        const ImageFacts facts = ReadImageFacts(bytes);
        EXPECT_EQ(facts.format, c.format) << c.file;
        EXPECT_EQ(facts.width, c.width) << c.file;
        EXPECT_EQ(facts.height, c.height) << c.file;
        // Cut before the size: the format alone.
        const ImageFacts cut = ReadImageFacts(std::span(bytes).first(c.bytesBeforeSize));
        EXPECT_EQ(cut.format, c.format) << c.file;
        EXPECT_EQ(cut.width, 0u) << c.file;
    }
    EXPECT_EQ(ReadImageFacts(FileBytes(kTextDocuments / "plain.zip")).format, "");
    auto topDown = FileBytes(kTextDocuments / "tiny.bmp");
    std::ranges::copy(std::vector<std::uint8_t>{0xFE, 0xFF, 0xFF, 0xFF}, topDown.begin() + 22);  // height -2
    EXPECT_EQ(ReadImageFacts(topDown).height, 2u);
}

TEST(HexView, OffsetsBytesAndText) {
    std::vector<std::uint8_t> bytes{'H', 'e', 'l', 'l', 'o', ',', ' ', 'w', 'o', 'r', 'l', 'd', '\n', 0, 0x7F, 0xFF, 'A', 'B'};
    EXPECT_EQ(ToUtf8(HexView(bytes)),
              "00000000  48 65 6C 6C 6F 2C 20 77  6F 72 6C 64 0A 00 7F FF  Hello, world....\r\n"
              "00000010  41 42                                             AB\r\n");
    EXPECT_EQ(HexView({}), u"");
}

}  // namespace
}  // namespace tundrel
