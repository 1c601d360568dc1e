// Word and PowerPoint binary text, and binary workbooks as text, against the reference text
// LibreOffice gave for the committed documents; and the Word and PowerPoint readers over damaged
// copies of them.

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string_view>

#include "preview/compound_document.h"
#include "preview/powerpoint_binary_text.h"
#include "preview/word_binary_text.h"
#include "preview/xls_workbook.h"
#include "reference_words.h"
#include "support/byte_reader.h"
#include "support/strings.h"

namespace tundrel {
namespace {

using Extractor = std::function<std::u16string(const CompoundDocument&, AnsiCodePage&)>;

std::u16string WorkbookText(const CompoundDocument& document, AnsiCodePage& codePage) {
    return WorkbookAsTabSeparated(XlsWorkbook(document, codePage));
}

std::vector<std::uint8_t> StreamOf(const CompoundDocument& document, std::u16string_view name) {
    const CompoundEntry* entry = document.FindStream(name);
    return entry != nullptr ? document.ReadStream(*entry) : std::vector<std::uint8_t>{};
}

// Overwrites bytes of a stream where they lie in the file: the 16 stream bytes from `offset` on
// are found in the file and patched there.
void PatchStream(std::vector<std::uint8_t>& file, std::u16string_view name, std::size_t offset, const std::vector<std::uint8_t>& patch) {
    CompoundDocument document;
    ASSERT_TRUE(document.Load(file));
    const std::vector<std::uint8_t> stream = StreamOf(document, name);
    ASSERT_LE(offset + 16, stream.size());
    const auto at = std::search(file.begin(), file.end(), stream.begin() + offset, stream.begin() + offset + 16);
    ASSERT_NE(at, file.end());
    std::copy(patch.begin(), patch.end(), at);
}

std::vector<std::uint8_t> U32Bytes(std::uint32_t value) {
    return {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8), static_cast<std::uint8_t>(value >> 16),
            static_cast<std::uint8_t>(value >> 24)};
}

TEST(LegacyOfficeText, DocumentsGiveTheirReferenceWordsInOrder) {
    const struct {
        const char* name;
        Extractor extract;
    } documents[] = {
        {"english.doc", WordBinaryText}, {"japanese.doc", WordBinaryText},     {"english.ppt", PowerPointBinaryText},
        {"japanese.ppt", PowerPointBinaryText}, {"english.xls", WorkbookText}, {"japanese.xls", WorkbookText},
    };
    AnsiCodePage codePage("CP932");
    for (const auto& [name, extract] : documents) {
        SCOPED_TRACE(name);
        const std::vector<std::uint8_t> bytes = test::DocumentBytes(name);
        CompoundDocument document;
        ASSERT_TRUE(document.Load(bytes));
        std::u16string reference = test::ReferenceText(name);
        // The workbooks' reference is comma-separated.
        if (std::string_view(name).ends_with(".xls")) std::replace(reference.begin(), reference.end(), u',', u' ');
        const std::u16string text = extract(document, codePage);
        EXPECT_GE(test::ReferenceWordsInOrder(text, reference), 0.95) << ToUtf8(text);
    }
}

TEST(LegacyOfficeText, WordMessagesAndFallback) {
    test::ScopedLanguage japanese(Language::Japanese);
    const std::vector<std::uint8_t> original = test::DocumentBytes("english.doc");
    CompoundDocument intact;
    ASSERT_TRUE(intact.Load(original));
    const std::vector<std::uint8_t> wordStream = StreamOf(intact, u"WordDocument");
    const ByteReader header(wordStream);
    const std::uint32_t pieceTableAt = header.U32(418);
    const std::u16string_view table = (header.U16(10) & 0x0200) != 0 ? u"1Table" : u"0Table";
    const std::vector<std::uint8_t> tableStream = StreamOf(intact, table);
    std::size_t descriptorsAt = pieceTableAt;
    while (tableStream.at(descriptorsAt) == 1) descriptorsAt += ByteReader(tableStream).U16(descriptorsAt + 1) + 3;
    const std::vector<std::uint8_t> heSpaceD = {'h', 0, 'e', 0, ' ', 0, 'd', 0};  // in "The disk was imaged"
    const auto spaceAt = std::search(wordStream.begin(), wordStream.end(), heSpaceD.begin(), heSpaceD.end()) - wordStream.begin();
    AnsiCodePage codePage("CP932");
    const std::u16string intactText = WordBinaryText(intact, codePage);

    const struct {
        const char* what;
        std::u16string_view stream;
        std::size_t offset;
        std::vector<std::uint8_t> patch;
        std::u16string text;
    } cases[] = {
        {"encryption flag over an intact piece table", u"WordDocument", 11, {static_cast<std::uint8_t>(header.U8(11) | 0x01)},
         Text16(StringId::PreviewEncrypted)},
        // The document's own table is 16 bytes: one piece. 20 is not 4 plus a multiple of 12.
        {"descriptor table of 20 bytes", table, descriptorsAt, {2, 20, 0, 0, 0}, Text16(StringId::PreviewUnsupported)},
        {"descriptor table of 8 bytes", table, descriptorsAt, {2, 8, 0, 0, 0}, Text16(StringId::PreviewUnsupported)},
        {"property record past the table", table, pieceTableAt, {1, 0xFF, 0xFF}, Text16(StringId::PreviewUnsupported)},
        {"no-break space", u"WordDocument", static_cast<std::size_t>(spaceAt) + 4, {0xA0}, intactText},
    };
    for (const auto& [what, stream, offset, patch, text] : cases) {
        SCOPED_TRACE(what);
        std::vector<std::uint8_t> bytes = original;
        PatchStream(bytes, stream, offset, patch);
        CompoundDocument document;
        ASSERT_TRUE(document.Load(bytes));
        EXPECT_EQ(WordBinaryText(document, codePage), text);
    }

    CompoundDocument document;
    std::vector<std::uint8_t> bytes(original.begin(), original.begin() + 1023);
    EXPECT_FALSE(document.Load(bytes));
    EXPECT_TRUE(WordBinaryText(document, codePage).empty());

    // The first piece marked 8-bit over its own UTF-16 bytes: each unit reads as a letter and a NUL.
    const ByteReader tableReader(tableStream);
    const std::size_t firstOffsetAt = descriptorsAt + 5 + 4 * ((tableReader.U32(descriptorsAt + 1) - 4) / 12 + 1) + 2;
    bytes = original;
    PatchStream(bytes, table, firstOffsetAt, U32Bytes(tableReader.U32(firstOffsetAt) * 2 | 0x40000000));
    ASSERT_TRUE(document.Load(bytes));
    EXPECT_GE(test::ReferenceWordsInOrder(WordBinaryText(document, codePage), u"Quarterly recovery report"), 1.0);

    // A piece table of no length: the text between the header's bounds, in lines of 81 units.
    bytes = original;
    PatchStream(bytes, u"WordDocument", 422, {0, 0, 0, 0});
    ASSERT_TRUE(document.Load(bytes));
    const std::u16string fallback = WordBinaryText(document, codePage);
    EXPECT_GE(test::ReferenceWordsInOrder(fallback.substr(0, 100), u"Quarterly recovery report"), 1.0) << ToUtf8(fallback);
    std::size_t lines = 0;
    for (std::size_t at = 0, end; (end = fallback.find(u"\r\n", at)) != std::u16string::npos; at = end + 2, ++lines) {
        EXPECT_TRUE(end - at == 81 || end + 2 == fallback.size()) << end - at;
    }
    EXPECT_GT(lines, 3u);
}

TEST(LegacyOfficeText, PowerPointPastBrokenEditChains) {
    const std::vector<std::uint8_t> original = test::DocumentBytes("english.ppt");
    const std::u16string reference = test::ReferenceText("english.ppt");
    CompoundDocument intact;
    ASSERT_TRUE(intact.Load(original));
    const std::uint32_t editAt = ByteReader(StreamOf(intact, u"Current User")).U32(16);
    const struct {
        const char* what;
        std::u16string_view stream;
        std::size_t offset;
        std::vector<std::uint8_t> patch;
    } cases[] = {
        // An edit's offset of the edit before it lies 8 bytes into its data.
        {"an edit that names itself as the one before", u"PowerPoint Document", editAt + 16, U32Bytes(editAt)},
        {"the current user names no edit: the stream is walked in order", u"Current User", 16, U32Bytes(0xFFFFFF)},
    };
    AnsiCodePage codePage("CP932");
    for (const auto& [what, stream, offset, patch] : cases) {
        SCOPED_TRACE(what);
        std::vector<std::uint8_t> bytes = original;
        PatchStream(bytes, stream, offset, patch);
        CompoundDocument document;
        ASSERT_TRUE(document.Load(bytes));
        const std::u16string text = PowerPointBinaryText(document, codePage);
        EXPECT_GE(test::ReferenceWordsInOrder(text, reference), 0.95) << ToUtf8(text);
    }
}

}  // namespace
}  // namespace tundrel
