// The compound-document recognizers (DOC, XLS, PPT, VSD) over the samples LibreOffice and the
// samples script's VSD writer made, laid inside filler; the context reads the directory and the
// title from the filler disk, as a pass reads them from the source.

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <utility>
#include <string>
#include <vector>

#include "carve/compound_document_recognizer.h"
#include "carve_samples.h"
#include "support/byte_reader.h"

namespace tundrel {
namespace {

using namespace test;

const std::map<std::string, RecognizerFactory> kCompoundFactories = {
    {"DOC", MakeDocRecognizer}, {"XLS", MakeXlsRecognizer}, {"PPT", MakePptRecognizer}, {"VSD", MakeVsdRecognizer}};
const std::vector<std::string> kDocuments = {"sample.doc", "sample.xls", "sample.ppt", "sample.vsd", "sample-untitled.vsd"};

std::vector<CarvedFile> CarveCompoundAs(const std::string& type, const Bytes& disk, std::size_t bufferSectors = 128) {
    auto recognizer = kCompoundFactories.at(type)();
    return Carve(*recognizer, disk, bufferSectors);
}

// Each type finds its own documents, with the size the header's counts give and the name from
// the title, and none of the others.
TEST(CompoundRecognizerTest, EachTypeFindsItsOwnDocumentsWithTheEstimatedSizeAndTitle) {
    constexpr std::size_t kAt = 7;
    for (const std::string& file : kDocuments) {
        const Sample& sample = SampleNamed(file);
        for (const auto& [type, make] : kCompoundFactories) {
            for (std::size_t buffer : {1, 128}) {
                for (bool random : {false, true}) {
                    const std::vector<CarvedFile> found = CarveCompoundAs(type, DiskWith(sample.bytes, kAt, random), buffer);
                    ASSERT_EQ(found.size(), type == sample.type ? 1u : 0u) << file << " as " << type;
                    if (found.empty()) continue;
                    EXPECT_EQ(found[0].firstSector, 1000 + kAt);
                    EXPECT_EQ(found[0].size, sample.carveSize) << file;
                    EXPECT_EQ(found[0].name, ExpectedName(sample.carveName, 1000 + kAt)) << file;
                }
            }
        }
    }
}

// A document cut before its directory (the source ends there) is not found, nor is one when the
// context cannot read sectors at all.
TEST(CompoundRecognizerTest, ADirectoryBeyondWhatCanBeReadIsNoStart) {
    for (const std::string& file : kDocuments) {
        const Sample& sample = SampleNamed(file);
        const std::size_t directory = ByteReader(sample.bytes).U32(0x30) + 1;
        const Bytes cut(sample.bytes.begin(), sample.bytes.begin() + static_cast<std::ptrdiff_t>(directory * kSector));
        EXPECT_TRUE(CarveCompoundAs(sample.type, DiskWith(cut, 3, true, 0), 1).empty()) << file;

        auto recognizer = kCompoundFactories.at(sample.type)();
        CarveNameCounters counters;
        CarveContext unreadable{{}, counters};
        std::vector<CarvedFile> found;
        recognizer->Offer({sample.bytes, 5}, unreadable, found);
        EXPECT_TRUE(found.empty()) << file;
    }
}

// The size rule: 128 sectors per FAT sector, 2^shift / 4 per mini-FAT sector with a power above
// 512 taken as 64; 32 sectors or less is not kept. The header's counts are patched.
TEST(CompoundRecognizerTest, TheSizeComesFromTheHeadersCounts) {
    struct Case {
        std::uint16_t miniShift;
        std::uint32_t fatSectors, miniFatSectors;
        std::uint64_t sectors;  // 0: not found
    };
    for (const Case& c : {Case{6, 0, 2, 0}, Case{6, 0, 3, 48}, Case{6, 2, 1, 272}, Case{9, 0, 1, 128}, Case{10, 0, 3, 48},
                          Case{0, 1, 4, 129}, Case{0xFFFF, 0, 3, 48}, Case{6, 0, 0, 0}}) {
        Bytes vsd = SampleNamed("sample.vsd").bytes;
        for (int i = 0; i < 2; ++i) vsd[0x20 + i] = static_cast<std::uint8_t>(c.miniShift >> (8 * i));
        for (int i = 0; i < 4; ++i) {
            vsd[0x2C + i] = static_cast<std::uint8_t>(c.fatSectors >> (8 * i));
            vsd[0x40 + i] = static_cast<std::uint8_t>(c.miniFatSectors >> (8 * i));
        }
        const std::vector<CarvedFile> found = CarveCompoundAs("VSD", DiskWith(vsd, 2, false), 7);
        ASSERT_EQ(found.size(), c.sectors == 0 ? 0u : 1u) << c.miniShift << " " << c.fatSectors << " " << c.miniFatSectors;
        if (c.sectors != 0) {
            EXPECT_EQ(found[0].size, c.sectors * kSector);
        }
    }
}

// The title of the VSD sample's summary information (a VT_LPWSTR in code page 1200, at 2048 in
// the file) with its type, length, code page or section offset patched (u32 fields).
TEST(CompoundRecognizerTest, TheTitleIsReadAsItsTypeAndCodePageSay) {
    constexpr std::size_t kSet = 2048, kSectionAt = 44, kCodePage = 76, kType = 80, kLength = 84;
    struct Case {
        std::vector<std::pair<std::size_t, std::uint32_t>> patches;
        std::optional<std::u16string> title;
    };
    const std::vector<Case> cases = {
        {{}, u"Plan d'\u00e9tage"},
        {{{kType, 0x1E}}, u"Plan d"},                  // 8-bit text in code page 1200 is UTF-16 of 13 bytes
        {{{kType, 0x1E}, {kCodePage, 1252}}, u"P"},    // in code page 1252, "P" then a NUL
        {{{kLength, 0x7FFFFFFF}}, std::nullopt},
        {{{kType, 3}}, std::nullopt},
        {{{kSectionAt, 0xFFFFFFF0}}, std::nullopt},
    };
    const Bytes& vsd = SampleNamed("sample.vsd").bytes;
    for (const Case& c : cases) {
        Bytes set(vsd.begin() + kSet, vsd.begin() + kSet + 116);
        for (const auto& [at, value] : c.patches) {
            for (std::size_t i = 0; i < 4; ++i) set[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
        }
        EXPECT_EQ(ReadSummaryTitle(set), c.title) << c.patches.size();
    }
}

}  // namespace
}  // namespace tundrel
