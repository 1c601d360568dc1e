// The recognizers that walk a file's records or search for its end marker, over the sample
// files laid inside filler and offered block by block in read buffers of several sizes.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "carve/flv_recognizer.h"
#include "carve/jpeg_recognizer.h"
#include "carve/mov_recognizer.h"
#include "carve/mp3_recognizer.h"
#include "carve/mp4_recognizer.h"
#include "carve/mpeg_recognizer.h"
#include "carve/office2007_recognizer.h"
#include "carve/pdf_recognizer.h"
#include "carve/png_recognizer.h"
#include "carve/rar_recognizer.h"
#include "carve/record_walk.h"
#include "carve/signature.h"
#include "carve/rmvb_recognizer.h"
#include "carve/three_gp_recognizer.h"
#include "carve/zip_recognizer.h"
#include "carve_samples.h"
#include "support/display_format.h"

namespace tundrel {
namespace {

using namespace test;

const std::map<std::string, RecognizerFactory> kWalkFactories = {
    {"MP4", MakeMp4Recognizer}, {"MOV", MakeMovRecognizer}, {"3GP", MakeThreeGpRecognizer},
    {"MPG", MakeMpegRecognizer}, {"FLV", MakeFlvRecognizer}, {"RMVB", MakeRmvbRecognizer},
    {"PNG", MakePngRecognizer}, {"JPG", MakeJpegRecognizer}, {"PDF", MakePdfRecognizer},
    {"ZIP", MakeZipRecognizer}, {"Office 2007", MakeOffice2007Recognizer}, {"RAR", MakeRarRecognizer},
    {"MP3", MakeMp3Recognizer},
};

std::vector<CarvedFile> CarveAs(const std::string& type, const Bytes& disk, std::size_t bufferSectors = 128) {
    auto recognizer = kWalkFactories.at(type)();
    return Carve(*recognizer, disk, bufferSectors);
}

struct SampleCase {
    const char* file;
    std::size_t bufferSectors;
    bool randomFiller;
};

class SampleCarveTest : public testing::TestWithParam<SampleCase> {};

TEST_P(SampleCarveTest, FindsTheSampleWithTheManifestsSizeAndName) {
    const SampleCase& param = GetParam();
    const Sample& sample = SampleNamed(param.file);
    constexpr std::size_t kAt = 7;
    const std::vector<CarvedFile> found = CarveAs(sample.type, DiskWith(sample.bytes, kAt, param.randomFiller), param.bufferSectors);
    ASSERT_EQ(found.size(), 1u) << sample.file;
    EXPECT_EQ(found[0].firstSector, 1000 + kAt);
    EXPECT_EQ(found[0].size, sample.carveSize) << sample.file;
    EXPECT_EQ(found[0].name, ExpectedName(sample.carveName, 1000 + kAt));
    EXPECT_EQ(FormatDateTime(found[0].date, found[0].time), sample.date);
}

std::vector<SampleCase> AllSampleCases() {
    std::vector<SampleCase> cases;
    for (const char* sample : {"sample.mp4", "sample.mov", "sample.3gp", "sample-mpeg1.mpg", "sample-mpeg2.mpg",
                               "sample.flv", "sample.rmvb", "sample.png", "sample-exif.jpg", "sample-jfif.jpg",
                               "sample.pdf", "sample-folder.zip", "sample-file.zip", "sample-long-name.zip",
                               "sample-streamed.zip", "sample-lo.docx", "sample-lo.xlsx", "sample-lo.pptx", "sample-ms.docx",
                               "sample-tags.mp3", "sample-title.mp3", "sample-plain.mp3"}) {
        for (std::size_t buffer : {1, 7, 128}) {
            for (bool random : {false, true}) cases.push_back({sample, buffer, random});
        }
    }
    return cases;
}
INSTANTIATE_TEST_SUITE_P(Samples, SampleCarveTest, testing::ValuesIn(AllSampleCases()),
                         [](const testing::TestParamInfo<SampleCase>& info) {
                             std::string name = info.param.file;
                             std::replace_if(name.begin(), name.end(), [](char c) { return !std::isalnum(c); }, '_');
                             return name + "_buffer" +
                                    std::to_string(info.param.bufferSectors) + (info.param.randomFiller ? "_random" : "_zero");
                         });

void PutBigEndian32(Bytes& bytes, std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<std::uint8_t>(value >> (24 - 8 * i));
}

// Boxes of the given types (an "ftyp" with its brand) and sizes, one after the other.
Bytes Boxes(std::initializer_list<std::pair<const char*, std::uint32_t>> boxes) {
    Bytes bytes;
    for (const auto& [type, size] : boxes) {
        const std::size_t at = bytes.size();
        bytes.resize(at + size);
        PutBigEndian32(bytes, at, size);
        std::memcpy(bytes.data() + at + 4, type, std::strlen(type));
    }
    return bytes;
}

// An MPEG-1 program stream: 0 for a pack header, n for a padding packet of n bytes.
Bytes MpegStream(std::initializer_list<std::uint32_t> records) {
    Bytes bytes;
    for (std::uint32_t size : records) {
        const Bytes header = size == 0 ? Bytes{0, 0, 1, 0xBA, 0x21, 0, 1, 0, 1, 0x80, 0, 1}
                                       : Bytes{0, 0, 1, 0xBE, static_cast<std::uint8_t>((size - 6) >> 8), static_cast<std::uint8_t>(size - 6)};
        bytes.insert(bytes.end(), header.begin(), header.end());
        bytes.resize(bytes.size() + (size == 0 ? 0 : size - 6));
    }
    return bytes;
}

Bytes FirstBytes(const Bytes& bytes, std::size_t count) { return Bytes(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(count)); }

struct WalkCase {
    const char* type;
    Bytes file;
    std::uint64_t size;  // 0: not found
};

void ExpectWalk(const WalkCase& c) {
    for (std::size_t buffer : {1, 7}) {
        const std::vector<CarvedFile> found = CarveAs(c.type, DiskWith(c.file, 3, false), buffer);
        ASSERT_EQ(found.size(), c.size == 0 ? 0u : 1u) << c.type << " " << c.file.size();
        if (c.size != 0) {
            EXPECT_EQ(found[0].size, c.size) << c.type;
        }
    }
}

// The RAR archives of the shared test data (not ours to store), found as kRarArchives says.
TEST(WalkRecognizerTest, FindsRarArchivesNamedAfterTheirFirstFile) {
    const std::filesystem::path folder = kRarTestData;
    if (!std::filesystem::is_directory(folder)) GTEST_SKIP() << "no " << folder;
    for (const RarArchive& c : kRarArchives) {
        const Bytes archive = FileBytes(folder / c.file);
        for (std::size_t buffer : {1, 7}) {
            for (bool random : {false, true}) {
                const std::vector<CarvedFile> found = CarveAs("RAR", DiskWith(archive, 5, random), buffer);
                ASSERT_EQ(found.size(), *c.name == '\0' ? 0u : 1u) << c.file;
                if (found.empty()) continue;
                EXPECT_EQ(found[0].size, c.size == 0 ? archive.size() : c.size) << c.file;
                EXPECT_EQ(found[0].name, ToUtf16(c.name)) << c.file;
            }
        }
    }
    Bytes damaged = FileBytes(folder / "rar3-owner.rar");
    damaged[7] ^= 1;  // the main header's CRC
    EXPECT_TRUE(CarveAs("RAR", DiskWith(damaged, 5, false)).empty());
}

// The running count numbers only the archives that take their name from it.
TEST(WalkRecognizerTest, TheZipCountNumbersOnlyZipsWithoutANameOfTheirOwn) {
    const Bytes& numbered = SampleNamed("sample-long-name.zip").bytes;
    const Bytes& named = SampleNamed("sample-file.zip").bytes;
    Bytes disk = DiskWith(numbered, 0, false, 0);
    for (const Bytes* file : {&named, &numbered}) {
        const Bytes next = DiskWith(*file, 0, false, 0);
        disk.insert(disk.end(), next.begin(), next.end());
    }
    disk.resize(disk.size() + 8 * kSector);
    const std::vector<CarvedFile> found = CarveAs("ZIP", disk, 7);
    ASSERT_EQ(found.size(), 3u);
    EXPECT_EQ(found[0].name, u"ZIP 1.zip");
    EXPECT_EQ(found[1].name, u"a.zip");
    EXPECT_EQ(found[2].name, u"ZIP 2.zip");
}

// A file is kept only when its walk runs past the type's minimum.
TEST(WalkRecognizerTest, FilesNoLongerThanTheMinimumAreNotKept) {
    for (const WalkCase& c : {WalkCase{"MP4", Boxes({{"ftypisom", 1024}}), 0}, WalkCase{"MP4", Boxes({{"ftypisom", 1025}}), 1025},
                              WalkCase{"MPG", MpegStream({0, 4084}), 0}, WalkCase{"MPG", MpegStream({0, 4085}), 4097},
                              // An MP3 needs 11 frames (the sample's are 384 bytes each).
                              WalkCase{"MP3", FirstBytes(SampleNamed("sample-plain.mp3").bytes, 10 * 384), 0},
                              WalkCase{"MP3", FirstBytes(SampleNamed("sample-plain.mp3").bytes, 11 * 384), 11 * 384}}) {
        ExpectWalk(c);
    }
}

// A header cut by a block end is completed from the next block, and the records it leads to
// may lie in the carried bytes themselves (a 12-byte pack header of a stream read 20 at a time).
TEST(WalkRecognizerTest, AHeaderCutByABlockEndIsCompletedFromTheNextBlock) {
    std::vector<WalkCase> cases;
    for (std::uint32_t cut = 1; cut < 8; ++cut) {
        cases.push_back({"MP4", Boxes({{"ftypisom", 1024 - cut}, {"free", 300}}), 1324 - cut});
    }
    for (std::uint32_t cut = 1; cut < 20; ++cut) {
        const std::uint32_t padding = 1024 - cut - 12;
        cases.push_back({"MPG", MpegStream({0, padding, 0, 4000}), 1024 - cut + 12 + 4000});
    }
    for (const WalkCase& c : cases) ExpectWalk(c);
}

// A record of untold length ends at the first mark found after it, also one cut by a block end;
// a search that runs past its limit or into sectors not offered ends the file where it began.
TEST(WalkRecognizerTest, ASearchedRecordEndsAtItsMarkAcrossBlockEnds) {
    static constexpr std::array<RecordMark, 1> kMarks = {RecordMark{'M', 'A', 'R', 'K'}};
    struct Case {
        std::size_t markAt;
        std::uint64_t limit;
        bool gap;               // the second block is not offered
        std::uint64_t size;
    };
    std::vector<Case> cases = {{1500, 2000, false, 1504}, {1500, 1000, false, 16}, {1500, 2000, true, 16}};
    for (std::size_t cut = 0; cut <= 4; ++cut) cases.push_back({1024 - cut, 2000, false, 1028 - cut});
    for (const Case& c : cases) {
        Bytes disk(4 * kSector, 'x');
        disk[0] = 'S';
        std::memcpy(disk.data() + c.markAt, "MARK", 4);
        const RecordReader read = [&](std::span<const std::uint8_t> header) {
            if (header[0] == 'S') return RecordStep::SearchAfter(16, kMarks, c.limit);
            return RecordStep::End(HasText(header, 0, "MARK") ? 4 : 0);
        };
        RecordWalk walk({.headerBytes = 4});
        walk.Begin(10, 0);
        std::optional<WalkedFile> file;
        for (std::size_t block = 0; block < 4 && !file; ++block) {
            if (c.gap && block == 1) continue;
            file = walk.Offer({std::span<const std::uint8_t>(disk).subspan(block * kSector), 10 + block}, read);
        }
        ASSERT_TRUE(file) << c.markAt;
        EXPECT_EQ(file->size, c.size) << c.markAt << " " << c.limit;
    }
}

// Where the MP4 sample's "moov" box starts: its "mdat" box ends there.
std::size_t MoovOffset(const Bytes& mp4) {
    const std::string text(mp4.begin(), mp4.end());
    return text.rfind("moov") - 4;
}

TEST(WalkRecognizerTest, ANewStartFinishesThePendingFileWhereItsWalkStands) {
    const Bytes& mp4 = SampleNamed("sample.mp4").bytes;
    const std::size_t moov = MoovOffset(mp4);
    // The first copy is cut inside its "mdat"; the second starts in the sectors the first's "mdat" claims.
    const std::size_t second = moov / kSector - 2;
    Bytes disk = DiskWith(mp4, second, false);
    std::copy(mp4.begin(), mp4.begin() + static_cast<std::ptrdiff_t>(second * kSector), disk.begin());
    const std::vector<CarvedFile> found = CarveAs("MP4", disk, 7);
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found[0].firstSector, 1000u);
    EXPECT_EQ(found[0].size, moov);
    EXPECT_EQ(found[1].firstSector, 1000 + second);
    EXPECT_EQ(found[1].size, mp4.size());
}

TEST(WalkRecognizerTest, ANextHeaderInSectorsNotOfferedEndsTheFile) {
    const Bytes& mp4 = SampleNamed("sample.mp4").bytes;
    static std::uint64_t moovSector;
    moovSector = 1000 + MoovOffset(mp4) / kSector;
    for (std::size_t buffer : {1, 128}) {
        auto recognizer = MakeMp4Recognizer();
        const std::vector<CarvedFile> found =
            Carve(*recognizer, DiskWith(mp4, 0, false), buffer, 1000, [](std::uint64_t sector) { return sector != moovSector; });
        ASSERT_EQ(found.size(), 1u);
        EXPECT_EQ(found[0].size, MoovOffset(mp4));
    }
}

// Packs of a program stream start at sector boundaries: each is the stream's next record, not a new file.
TEST(WalkRecognizerTest, APackWhereTheStreamsNextRecordIsDueContinuesTheStream) {
    for (const char* file : {"sample-mpeg1.mpg", "sample-mpeg2.mpg"}) {
        const Sample& sample = SampleNamed(file);
        const Bytes twice = [&] {
            Bytes bytes = sample.bytes;
            bytes.insert(bytes.end(), sample.bytes.begin(), sample.bytes.end());
            return bytes;
        }();
        const std::vector<CarvedFile> found = CarveAs("MPG", DiskWith(twice, 1, false), 7);
        ASSERT_EQ(found.size(), 1u) << file;
        EXPECT_EQ(found[0].size, twice.size()) << file;
    }
}

// An "%%EOF" followed by CR LF is taken for a revision's end: with no other, the document is not found.
TEST(EndMarkerRecognizerTest, APdfWhoseLastEndMarkerIsFollowedByCrLfIsNotFound) {
    Bytes pdf = SampleNamed("sample.pdf").bytes;
    ASSERT_EQ(pdf.back(), '\n');
    for (const char* ending : {"\r\n", "\r  ", "\r\r\n", " \n"}) {
        pdf.resize(SampleNamed("sample.pdf").carveSize);
        pdf.insert(pdf.end(), ending, ending + std::strlen(ending));
        const bool revision = ending[0] == '\r' && (ending[1] == '\n' || ending[1] == ' ');
        for (std::size_t buffer : {1, 128}) {
            const std::vector<CarvedFile> found = CarveAs("PDF", DiskWith(pdf, 2, false), buffer);
            ASSERT_EQ(found.size(), revision ? 0u : 1u) << ending;
        }
    }
}

// A new start replaces a pending file that found no end (a JPEG without camera and date texts
// and a fallback end is then dropped); the new one is found whole.
TEST(EndMarkerRecognizerTest, ANewStartReplacesAPendingFileWithoutAnEnd) {
    for (const auto& [file, keep] : {std::pair{"sample.pdf", 1024}, std::pair{"sample-jfif.jpg", 512}, std::pair{"sample-exif.jpg", 2048}}) {
        const Sample& sample = SampleNamed(file);
        Bytes disk = DiskWith(sample.bytes, 4, false);
        std::copy(sample.bytes.begin(), sample.bytes.begin() + keep, disk.begin());
        const std::vector<CarvedFile> found = CarveAs(sample.type, disk, 7);
        ASSERT_EQ(found.size(), 1u) << file;
        EXPECT_EQ(found[0].firstSector, 1004u);
        EXPECT_EQ(found[0].size, sample.carveSize);
    }
}

// The end searches give up: a PDF 100,000 sectors after its start, a JPEG whose end lies
// 12,000,000 bytes or more from its start (without camera and date texts to fall back on).
TEST(EndMarkerRecognizerTest, EndsTooFarFromTheStartAreNotFound) {
    struct Case {
        const char* file;
        std::uint64_t endSector;  // from the start
        std::size_t markerAt;
        std::uint64_t size;       // 0: not found
    };
    for (const Case& c : {Case{"sample.pdf", 99'999, 0, 99'999 * 512 + 5}, Case{"sample.pdf", 100'000, 0, 0},
                          Case{"sample-jfif.jpg", 23'437, 252, 11'999'998}, Case{"sample-jfif.jpg", 23'437, 254, 0}}) {
        const Sample& sample = SampleNamed(c.file);
        const Bytes first(sample.bytes.begin(), sample.bytes.begin() + kSector);
        Bytes last(kSector, 0);
        const Bytes marker = sample.type == "PDF" ? Bytes{'%', '%', 'E', 'O', 'F', '\n'} : Bytes{0xFF, 0xD9};
        std::copy(marker.begin(), marker.end(), last.begin() + static_cast<std::ptrdiff_t>(c.markerAt));
        auto recognizer = kWalkFactories.at(sample.type)();
        CarveNameCounters counters;
        CarveContext context{{}, counters};
        std::vector<CarvedFile> found;
        recognizer->Offer({first, 50}, context, found);
        recognizer->Offer({last, 50 + c.endSector}, context, found);
        ASSERT_EQ(found.size(), c.size == 0 ? 0u : 1u) << c.file << " " << c.endSector << " " << c.markerAt;
        if (c.size != 0) {
            EXPECT_EQ(found[0].size, c.size);
        }
    }
}

}  // namespace
}  // namespace tundrel
