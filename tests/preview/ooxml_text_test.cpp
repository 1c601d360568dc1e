#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "preview/docx_text.h"
#include "preview/pptx_text.h"
#include "preview/xlsx_workbook.h"
#include "support/text.h"
#include "zip_builder.h"
#include "reference_words.h"

namespace tundrel {
namespace {

using test::Declared;
using test::ZipOf;
using Members = std::vector<std::pair<std::string, std::string>>;


std::string Slide(std::string_view text) {
    return Declared("<p:sld><p:txBody><a:bodyPr/><a:p><a:r><a:rPr lang=\"en\"/><a:t>" + std::string(text) +
                    "</a:t></a:r></a:p></p:txBody></p:sld>");
}

// Extracted text with its XML entities decoded, for comparison with a program's own text export.
std::u16string DecodeEntities(std::u16string text) {
    static const std::pair<std::u16string_view, std::u16string_view> kNamed[] = {
        {u"&lt;", u"<"}, {u"&gt;", u">"}, {u"&quot;", u"\""}, {u"&apos;", u"'"}, {u"&amp;", u"&"}};
    for (std::size_t at = text.find(u'&'); at != std::u16string::npos; at = text.find(u'&', at + 1)) {
        const std::size_t end = text.find(u';', at);
        if (end == std::u16string::npos) break;
        const std::u16string entity = text.substr(at, end + 1 - at);
        const bool hex = entity.starts_with(u"&#x");
        std::u16string by;
        for (const auto& [name, c] : kNamed) by = entity == name ? std::u16string(c) : by;
        if (entity.size() > 3 && entity[1] == u'#') by = char16_t(std::stoul(ToUtf8(entity.substr(hex ? 3 : 2)), nullptr, hex ? 16 : 10));
        if (!by.empty()) text.replace(at, entity.size(), by);
    }
    return text;
}

std::string App(int slides) { return Declared("<Properties><Slides>" + std::to_string(slides) + "</Slides></Properties>"); }

TEST(DocxText, EachRunOnItsOwnLine) {
    const std::string runs = "<w:body><w:p><w:r><w:t>Hel</w:t></w:r><w:r><w:t xml:space=\"preserve\">lo &amp; </w:t></w:r>"
                             "<w:r><w:tab/><w:t>a</w:t></w:r></w:p><w:tbl><w:tblPr/><w:tr><w:tc><w:p><w:r><w:t>cell</w:t>"
                             "</w:r></w:p></w:tc></w:tr></w:tbl></w:body>";
    const struct {
        const char* what;
        Members members;
        std::u16string text;
    } cases[] = {
        {"split runs, tab and table", {{"word/document.xml", Declared(runs)}}, u"Hel\r\nlo &amp; \r\na\r\ncell\r\n"},
        {"an empty member before the one that holds text",
         {{"word/document.xml", ""}, {"word/document.xml", Declared("<w:t>x</w:t>")}},
         u"x\r\n"},
        {"UTF-16 declared", {{"word/document.xml", R"(<?xml version="1.0" encoding="UTF-16"?>)" + runs}}, u""},
        {"no declaration", {{"word/document.xml", runs}}, u""},
        {"no document member", {{"word/Document.xml", Declared(runs)}}, u""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(DocxText(ZipOf(c.members)), c.text);
    }
}

TEST(PptxText, SlidesTheExtendedPropertiesCount) {
    const test::ScopedLanguage language(Language::Japanese);
    EXPECT_EQ(PptxText(ZipOf({{"ppt/slides/slide1.xml", Slide("lost")}})), u"");
    EXPECT_EQ(PptxText(ZipOf({{"docProps/app.xml", App(3)},
                              {"ppt/slides/slide1.xml", Slide("One")},
                              {"ppt/slides/slide3.xml", Slide("Three")},
                              {"ppt/slides/slide4.xml", Slide("Four")}})),
              u"\r\n --------- Slide 1 --------- \r\nOne\r\n\r\n --------- Slide 3 --------- \r\nThree\r\n");
}

TEST(PptxText, ReadsTenThousandSlidesAtMost) {
    Members members{{"docProps/app.xml", App(20'000)}};
    for (int i = 1; i <= 20'000; ++i) members.emplace_back("ppt/slides/slide" + std::to_string(i) + ".xml", Slide("s" + std::to_string(i)));
    const std::u16string text = PptxText(ZipOf(members));
    EXPECT_NE(text.find(u"Slide 10000 --------- \r\ns10000\r\n"), std::u16string::npos);
    EXPECT_EQ(text.find(u"Slide 10001"), std::u16string::npos);
    EXPECT_EQ(text.find(u"s10001"), std::u16string::npos);
}

TEST(OoxmlText, CommittedDocumentsGiveTheWordsOfTheirReferenceText) {
    const test::ScopedLanguage language(Language::Japanese);
    for (const char* language : {"english", "japanese"}) {
        for (const char* extension : {".docx", ".pptx", ".xlsx"}) {
            const std::string file = std::string(language) + extension;
            SCOPED_TRACE(file);
            const std::vector<std::uint8_t> bytes = test::DocumentBytes(file);
            const std::string_view type(extension);
            const std::u16string text = type == ".docx"   ? DocxText(bytes)
                                        : type == ".pptx" ? PptxText(bytes)
                                                          : WorkbookAsTabSeparated(XlsxWorkbook(bytes));
            EXPECT_GE(test::ReferenceWordsInOrder(DecodeEntities(text), test::ReferenceText(file)), 0.95) << ToUtf8(text);
        }
    }
}

}  // namespace
}  // namespace tundrel
