// The preview's compound-document reader over a LibreOffice document, whole and damaged: tables
// and chains that loop, or sizes beyond the buffer, end the read without a hang.

#include <gtest/gtest.h>

#include <functional>

#include "preview/compound_document.h"
#include "preview/powerpoint_binary_text.h"
#include "preview/word_binary_text.h"
#include "preview/xls_workbook.h"
#include "reference_words.h"
#include "support/byte_reader.h"
#include "support/byte_writer.h"
#include "support/text.h"

namespace tundrel {
namespace {

std::size_t SectorAt(std::uint32_t sector) { return (std::size_t{sector} + 1) * CompoundDocument::kSectorBytes; }

TEST(CompoundDocument, ReadsStreamsFromFullAndShortSectors) {
    std::vector<std::uint8_t> bytes = test::DocumentBytes("english.ppt");
    CompoundDocument document;
    ASSERT_TRUE(document.Load(bytes));
    EXPECT_EQ(document.FindStream(u"NoSuchStream"), nullptr);
    // "Current User" lies in short sectors, "PowerPoint Document" in full ones.
    for (const CompoundEntry& entry : document.Entries()) EXPECT_EQ(document.ReadStream(entry).size(), entry.size) << ToUtf8(entry.name);
    bytes[0] = 0;
    EXPECT_FALSE(document.Load(bytes));
    EXPECT_FALSE(document.Valid());
}

struct Damage {
    const char* what;
    std::function<void(std::vector<std::uint8_t>&, const CompoundDocument&)> apply;
    bool loads;
    double wordShare;  // how much of the document's text still shows
};

TEST(CompoundDocument, HostileTablesEndTheReadWithoutAHang) {
    const std::vector<std::uint8_t> original = test::DocumentBytes("english.doc");
    const std::u16string reference = test::ReferenceText("english.doc");
    const ByteReader header(original);
    const std::size_t sectorTableAt = SectorAt(header.U32(0x4C));
    const std::vector<Damage> damages = {
        {"sector chain loops",
         [&](auto& bytes, const CompoundDocument& document) {
             const std::uint32_t first = document.FindStream(u"WordDocument")->startSector;
             PutLittleEndian(bytes, sectorTableAt + 4 * first, first, 4);
         },
         true, 0},
        {"directory chain loops",
         [&](auto& bytes, const CompoundDocument&) {
             std::uint32_t last = header.U32(0x30);
             while (header.U32(sectorTableAt + 4 * last) < 0xFFFFFFFA) last = header.U32(sectorTableAt + 4 * last);
             PutLittleEndian(bytes, sectorTableAt + 4 * last, header.U32(0x30), 4);
         },
         true, 0.95},
        {"short-sector chain loops",
         [&](auto& bytes, const CompoundDocument& document) {
             const std::uint32_t first = document.FindStream(u"1Table")->startSector;
             PutLittleEndian(bytes, SectorAt(header.U32(0x3C)) + 4 * first, first, 4);
         },
         true, 0},
        {"extra sector-table list loops",
         [&](auto& bytes, const CompoundDocument&) {
             PutLittleEndian(bytes, 0x44, 1, 4);
             PutLittleEndian(bytes, 0x48, 1, 4);
             PutLittleEndian(bytes, SectorAt(1) + 508, 1, 4);
         },
         true, 0.95},
        {"root stream size beyond the buffer",
         [&](auto& bytes, const CompoundDocument&) { PutLittleEndian(bytes, SectorAt(header.U32(0x30)) + 0x78, 0x7FFFFFFF, 4); }, true, 0.95},
        {"every stream size beyond the buffer",
         [&](auto& bytes, const CompoundDocument&) {
             const std::size_t directoryAt = SectorAt(header.U32(0x30));
             for (std::size_t at = directoryAt; at < directoryAt + 512; at += 128) PutLittleEndian(bytes, at + 0x78, 0xFFFFFFFF, 4);
         },
         true, 0},
        {"sector table larger than the buffer", [&](auto& bytes, const CompoundDocument&) { PutLittleEndian(bytes, 0x2C, 0x100000, 4); }, false, 0},
    };
    AnsiCodePage codePage("CP932");
    for (const Damage& damage : damages) {
        SCOPED_TRACE(damage.what);
        std::vector<std::uint8_t> bytes = original;
        CompoundDocument document;
        ASSERT_TRUE(document.Load(bytes));
        damage.apply(bytes, document);
        EXPECT_EQ(document.Load(bytes), damage.loads);
        for (const CompoundEntry& entry : document.Entries()) EXPECT_LE(document.ReadStream(entry).size(), bytes.size());
        const std::u16string text = WordBinaryText(document, codePage);
        if (damage.wordShare > 0) {
            EXPECT_GE(test::ReferenceWordsInOrder(text, reference), damage.wordShare) << ToUtf8(text);
        }
        (void)PowerPointBinaryText(document, codePage);
        (void)XlsWorkbook(document, codePage);
    }
}

}  // namespace
}  // namespace tundrel
