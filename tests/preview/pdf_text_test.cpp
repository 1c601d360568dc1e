// The text of PDF files: the committed LibreOffice documents against pdftotext's words, the
// header and encryption messages, a truncated file, the wrapping of CJK and Latin pages, the
// text operators and font encodings, and hostile files that must end quickly.

#include <gtest/gtest.h>
#include <unicode/uchar.h>
#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ansi_code_page.h"
#include "preview/pdf_text.h"
#include "support/text.h"
#include "reference_words.h"
#include "test_support.h"

namespace tundrel {
namespace {

std::u16string Joined(const PdfText& text) {
    std::u16string all;
    for (const std::u16string& page : text.pages) all += page;
    return all;
}

// A one-page file around `content`, its font F1 given by `font`; `more` adds objects from 4 on.
std::vector<std::uint8_t> TinyPdf(std::string_view content, std::string_view font = "<</Subtype/Type1>>",
                                  std::string_view more = "", std::string_view xobjects = "") {
    std::string pdf = "%PDF-1.4\n1 0 obj <</Type/Catalog/Pages 2 0 R>> endobj\n";
    pdf += "2 0 obj <</Type/Pages/Kids[3 0 R]/Resources<</Font<</F1 ";
    pdf += font;
    pdf += ">>/XObject<<";
    pdf += xobjects;
    pdf += ">>>>>> endobj\n3 0 obj <</Type/Page/Parent 2 0 R/Contents 9 0 R>> endobj\n";
    pdf += more;
    pdf += "9 0 obj <</Length " + std::to_string(content.size()) + ">> stream\n";
    pdf += content;
    pdf += "\nendstream endobj\ntrailer <</Root 1 0 R>>\n%%EOF\n";
    return TextBytes(pdf);
}

TEST(PdfText, DocumentsHoldPdftotextsWordsInOrder) {
    const test::ScopedLanguage language(Language::Japanese);
    AnsiCodePage ansi("CP932");
    const struct {
        const char* name;
        std::size_t pages;
    } cases[] = {{"english.pdf", 1}, {"japanese.pdf", 1}, {"english-slides.pdf", 3}, {"japanese-slides.pdf", 3}};
    for (const auto& c : cases) {
        const PdfText text = ReadPdfText(test::DocumentBytes(c.name), ansi);
        EXPECT_EQ(text.status, PdfTextStatus::Text) << c.name;
        EXPECT_EQ(text.pages.size(), c.pages) << c.name;
        EXPECT_GE(test::ReferenceWordsInOrder(Joined(text), test::ReferenceText(c.name)), 0.95) << c.name;
        const std::u16string shown = PdfDisplayText(text.pages);
        EXPECT_TRUE(shown.starts_with(u"第1ページ\r\n")) << c.name;
        EXPECT_NE(shown.find(u"第" + ToUtf16(std::to_string(c.pages)) + u"ページ"), std::u16string::npos) << c.name;
    }
}

TEST(PdfText, HeaderAndEncryptionGiveOnlyTheirMessage) {
    const test::ScopedLanguage language(Language::Japanese);
    AnsiCodePage ansi("CP932");
    const std::vector<std::uint8_t> readable = test::DocumentBytes("english.pdf");
    const auto prefixed = [&](std::string_view prefix) {
        std::vector<std::uint8_t> bytes = TextBytes(prefix);
        bytes.insert(bytes.end(), readable.begin(), readable.end());
        return bytes;
    };
    std::vector<std::uint8_t> encrypted = readable;
    const std::vector<std::uint8_t> trailer = TextBytes("trailer\n<</Size 30/Encrypt 29 0 R>>\n");
    encrypted.insert(encrypted.end(), trailer.begin(), trailer.end());
    const struct {
        std::vector<std::uint8_t> bytes;
        PdfTextStatus status;
        std::u16string message;
    } cases[] = {
        {prefixed("\xEF\xBB\xBF"), PdfTextStatus::BadHeader, u"文件头不对"},
        {prefixed("  "), PdfTextStatus::BadHeader, u"文件头不对"},
        {{}, PdfTextStatus::BadHeader, u"文件头不对"},
        {TextBytes("%PD"), PdfTextStatus::BadHeader, u"文件头不对"},
        {encrypted, PdfTextStatus::Encrypted, u"File is encrypted."},
        {TextBytes("%PDF"), PdfTextStatus::Text, u""},
    };
    for (const auto& c : cases) {
        const PdfText text = ReadPdfText(c.bytes, ansi);
        EXPECT_EQ(text.status, c.status) << ToUtf8(c.message);
        EXPECT_EQ(PdfStatusMessage(text.status), c.message);
        EXPECT_TRUE(text.pages.empty());
    }
}

TEST(PdfText, TruncatedFileShowsThePagesItHolds) {
    AnsiCodePage ansi("CP932");
    const std::vector<std::uint8_t> whole = test::DocumentBytes("english-slides.pdf");
    const PdfText full = ReadPdfText(whole, ansi);
    ASSERT_EQ(full.pages.size(), 3u);
    // LibreOffice writes the page objects after the contents and fonts, and the page tree last:
    // cut before the third page object, the first two remain without their tree.
    const std::string_view page = "<</Type/Page/";
    auto cut = whole.begin();
    for (int i = 0; i < 3; ++i) cut = std::search(cut + 1, whole.end(), page.begin(), page.end());
    ASSERT_NE(cut, whole.end());
    const PdfText text = ReadPdfText(std::span(whole.begin(), cut), ansi);
    ASSERT_EQ(text.pages.size(), 2u);
    EXPECT_EQ(text.pages[0], full.pages[0]);
    EXPECT_EQ(text.pages[1], full.pages[1]);
    EXPECT_NE(text.pages[1].find(u"Scan the image"), std::u16string::npos);
}

TEST(PdfText, PagesWrapCjkAt36AndLatinPastColumn60) {
    AnsiCodePage ansi("CP932");
    const auto lines = [&](const char* name) {
        std::vector<std::u16string> all;
        for (const std::u16string& page : ReadPdfText(test::DocumentBytes(name), ansi).pages) {
            for (std::size_t start = 0; start < page.size();) {
                const std::size_t end = std::min(page.find(u"\r\n", start), page.size());
                all.push_back(page.substr(start, end - start));
                start = end + 2;
            }
        }
        return all;
    };
    std::size_t longest = 0;
    for (const std::u16string& line : lines("japanese.pdf")) {
        if (std::any_of(line.begin(), line.end(), [](char16_t c) { return c > 0x100; })) {
            EXPECT_LE(line.size(), 36u);
        }
        longest = std::max(longest, line.size());
    }
    EXPECT_EQ(longest, 36u);

    longest = 0;
    for (const std::u16string& line : lines("english.pdf")) {
        // A space or a punctuation mark other than '.' past column 60 ends its line.
        for (std::size_t i = 60; i + 1 < line.size(); ++i) {
            EXPECT_TRUE(line[i] == u'.' || (line[i] != u' ' && !u_ispunct(line[i]))) << ToUtf8(line);
        }
        longest = std::max(longest, line.size());
    }
    EXPECT_GT(longest, 61u);
}

TEST(PdfText, TextOperatorsAndFontEncodings) {
    const struct {
        const char* content;
        const char* font;
        const char* codePage;
        std::u16string text;
    } cases[] = {
        {"BT /F1 12 Tf (Hello) Tj ET", "<</Subtype/Type1>>", "CP932", u"Hello"},
        {"BT /F1 10 Tf [(Hel) -20 (lo) -400 (world)] TJ ET", "<</Subtype/Type1>>", "CP932", u"Hello world"},
        {"BT /F1 10 Tf 12 TL (one) Tj T* (two) Tj (three) ' 1 2 (four) \" ET", "<</Subtype/Type1>>", "CP932",
         u"one\r\ntwo\r\nthree\r\nfour"},
        {"BT /F1 10 Tf 1 0 0 1 50 700 Tm (top) Tj 0 -20 Td (next) Tj 300 0 Td (far) Tj ET", "<</Subtype/Type1>>", "CP932",
         u"top\r\nnext far"},
        // Word spacing widens "a b" to where "c" is placed: the two join without a space.
        {"BT /F1 10 Tf 20 Tw (a b) Tj 30 0 Td (c) Tj ET", "<</Subtype/Type1>>", "CP932", u"a bc"},
        {"BT /F1 10 Tf 0 700 Td (a) Tj ET BT /F1 10 Tf 0 680 Td (b) Tj ET", "<</Subtype/Type1>>", "CP932", u"a\r\nb"},
        {"BI /W 1 /H 1 ID \x01(x) Tj EI BT /F1 9 Tf <48 69> Tj ET", "<</Subtype/Type1>>", "CP932", u"Hi"},
        {"BT /F1 9 Tf (\xE9t\xE9) Tj ET", "<</Subtype/Type1/Encoding/WinAnsiEncoding>>", "windows-1252", u"été"},
        {"BT /F1 9 Tf (\x82\xA0) Tj ET", "<</Subtype/Type1/Encoding/WinAnsiEncoding>>", "CP932", u"あ"},
        {"BT /F1 9 Tf <C4E3BAC3> Tj ET", "<</Subtype/Type0/Encoding/GBK-EUC-H>>", "CP932", u"你好"},
        {"BT /F1 9 Tf <C4E3BAC3> Tj ET", "<</Subtype/TrueType/Encoding/GB2312>>", "CP932", u"你好"},
        {"BT /F1 9 Tf (AB`') Tj ET", "<</Subtype/Type1/Encoding<</BaseEncoding/StandardEncoding/Differences[65/uni4E2D/quotedblleft]>>>>",
         "CP932", u"中“‘’"},
        {"BT /F1 9 Tf <00010002> Tj ET", "<</Subtype/Type0/Encoding/Identity-H>>", "CP932", u""},
        {"BT /F1 9 Tf <00010002> Tj ET", "<</Subtype/Type0/Encoding/Identity-H/ToUnicode 5 0 R>>", "CP932", u"日本"},
        {"BT /F2 9 Tf (plain) Tj ET", "<</Subtype/Type1>>", "CP932", u"plain"},  // an unknown font reads as ANSI
        {"BT /F1 9 Tf (AB) Tj ET", "8 0 R", "CP932", u"中B"},  // a font in an object stream
    };
    const std::string map = "beginbfrange <0001> <0002> [<65E5> <672C>] endbfrange";
    const std::string more = "5 0 obj <</Length 6 0 R>> stream\n" + map + "\nendstream endobj\n6 0 obj " +
                             std::to_string(map.size()) + " endobj\n" +
                             "7 0 obj <</Type/ObjStm/N 1/First 4>> stream\n8 0 <</Subtype/Type1/Encoding<</Differences[65/uni4E2D]>>>>\n"
                             "endstream endobj\n";
    for (const auto& c : cases) {
        AnsiCodePage ansi(c.codePage);
        const PdfText text = ReadPdfText(TinyPdf(c.content, c.font, more), ansi);
        ASSERT_EQ(text.pages.size(), 1u) << c.content;
        EXPECT_EQ(text.pages[0], c.text) << c.content;
    }
}

// Content that inflates to 100 MiB: a line of text, zeros, and a line past the inflate limit.
std::string FlateBomb() {
    z_stream stream{};
    deflateInit(&stream, Z_BEST_COMPRESSION);
    std::vector<std::uint8_t> head = TextBytes("BT (bomb) Tj ET\n");
    std::vector<std::uint8_t> tail = TextBytes("\nBT (past the limit) Tj ET");
    std::vector<std::uint8_t> zeros(1 << 20, 0);
    std::vector<std::uint8_t> out(1 << 20);
    std::string compressed;
    for (int i = 0; i <= 101; ++i) {
        std::vector<std::uint8_t>& in = i == 0 ? head : i == 101 ? tail : zeros;
        stream.next_in = in.data();
        stream.avail_in = static_cast<uInt>(in.size());
        const int flush = i == 101 ? Z_FINISH : Z_NO_FLUSH;
        do {
            stream.next_out = out.data();
            stream.avail_out = static_cast<uInt>(out.size());
            deflate(&stream, flush);
            compressed.append(out.begin(), out.end() - stream.avail_out);
        } while (stream.avail_out == 0);
    }
    deflateEnd(&stream);
    return compressed;
}

TEST(PdfText, HostileFilesEndQuickly) {
    AnsiCodePage ansi("CP932");
    const std::string bomb = FlateBomb();
    const std::string loop =
        "%PDF-1.4\n1 0 obj <</Type/Catalog/Pages 2 0 R>> endobj\n2 0 obj <</Type/Pages/Kids[3 0 R 2 0 R 4 0 R]>> endobj\n"
        "3 0 obj <</Type/Pages/Kids[2 0 R 3 0 R 4 0 R]>> endobj\n4 0 obj <</Type/Page/Contents 5 0 R>> endobj\n"
        "5 0 obj <</Length 99>> stream\nBT (loop) Tj ET\nendstream endobj\ntrailer <</Root 1 0 R>>\n";
    const std::string form = "<</Subtype/Form/Resources<</XObject<</X 4 0 R>>>>/Length 21>> stream\n";
    // Four forms, each drawing the next a hundred times: 10^8 draws unless the work is capped.
    std::string fanOut;
    for (int i = 0; i < 100; ++i) fanOut += "/X Do ";
    std::string forms;
    for (int n = 4; n < 8; ++n) {
        forms += std::to_string(n) + " 0 obj <</Subtype/Form/Resources<</XObject<</X " + std::to_string(n + 1) +
                 " 0 R>>>>>> stream\n" + fanOut + "\nendstream endobj\n";
    }
    const struct {
        const char* name;
        std::vector<std::uint8_t> file;
        std::u16string text;
    } cases[] = {
        {"Kids loop", TextBytes(loop), u"loop"},
        {"self-drawing form", TinyPdf("/X Do", "<<>>", "4 0 obj " + form + "BT (form) Tj ET /X Do\nendstream endobj\n", "/X 4 0 R"),
         u"form\r\n"},
        {"forms drawing forms", TinyPdf("/X Do", "<<>>", forms, "/X 4 0 R"), u""},
        {"flate bomb", TinyPdf("/X Do /X Do /X Do", "<<>>",
                               "4 0 obj <</Subtype/Form/Filter/FlateDecode/Length " + std::to_string(bomb.size()) +
                                   ">> stream\n" + bomb + "\nendstream endobj\n",
                               "/X 4 0 R"),
         u"bomb\r\nbomb\r\nbomb\r\n"},
    };
    for (const auto& c : cases) {
        const auto start = std::chrono::steady_clock::now();
        const PdfText text = ReadPdfText(c.file, ansi);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10)) << c.name;
        ASSERT_EQ(text.pages.size(), 1u) << c.name;
        EXPECT_EQ(text.pages[0], c.text) << c.name;
    }
}

}  // namespace
}  // namespace tundrel
