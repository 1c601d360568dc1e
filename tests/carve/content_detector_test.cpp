// Telling a file's type from its first bytes, and from more of the file, by the carving types'
// start tests: over the sample files made by the real writers of their formats.

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <random>
#include <string>

#include "carve/content_detector.h"
#include "carve_samples.h"
#include "support/byte_reader.h"

namespace tundrel {
namespace {

using namespace test;

std::string ExtensionOf(const std::string& file) { return file.substr(file.rfind('.') + 1); }

bool IsCompoundDocument(const Sample& sample) {
    return sample.type == "DOC" || sample.type == "XLS" || sample.type == "PPT" || sample.type == "VSD";
}

// What the first bytes alone tell: the type's extension, "docx" for every Office 2007 package.
std::string FirstBytesType(const Sample& sample) { return sample.type == "Office 2007" ? "docx" : ExtensionOf(sample.file); }

// Reads `bytes` as a file, and counts the bytes asked for.
FileBytesReader ReaderOf(const Bytes& bytes, std::uint64_t& asked) {
    return [&bytes, &asked](std::uint64_t offset, std::span<std::uint8_t> buffer) {
        asked += buffer.size();
        if (offset > bytes.size() || buffer.size() > bytes.size() - offset) return false;
        std::memcpy(buffer.data(), bytes.data() + offset, buffer.size());
        return true;
    };
}

std::string DeepType(const Bytes& bytes) {
    std::uint64_t asked = 0;
    return DetectContentTypeDeep(ReaderOf(bytes, asked), bytes.size());
}

Bytes Prefix(const Bytes& bytes, std::size_t count) {
    return Bytes(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(std::min(count, bytes.size())));
}

TEST(ContentDetectorTest, TellsEverySampleFromItsFirstBytes) {
    for (const Sample& sample : Samples()) {
        // A compound document's start test needs its directory, which lies beyond the first
        // 1,024 bytes in every sample: it takes the whole file.
        if (IsCompoundDocument(sample)) {
            EXPECT_EQ(DetectContentType(Prefix(sample.bytes, 1024)), "unknown") << sample.file;
            EXPECT_EQ(DetectContentType(sample.bytes), FirstBytesType(sample)) << sample.file;
        } else {
            EXPECT_EQ(DetectContentType(Prefix(sample.bytes, 1024)), FirstBytesType(sample)) << sample.file;
        }
    }
}

// The types without a sample (WAV, AVI, BMP, SWF, CDR and the raw photos) lie in the free space
// of the carve-fat32 image, at the sectors its manifest gives.
TEST(ContentDetectorTest, TellsTheCarveImagesFilesFromTheirFirstBytes) {
    const std::filesystem::path image = TestImage("carve-fat32");
    const nlohmann::json carved = ManifestJson("carve-fat32")["carved"];
    ASSERT_GE(carved.size(), 8u);
    for (const auto& file : carved) {
        const std::string type = file["type"];
        if (type == "DOC" || type == "XLS" || type == "PPT" || type == "VSD") continue;  // as the samples
        std::string expected = type == "Office 2007" ? "docx" : type;
        std::ranges::transform(expected, expected.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        const Bytes first = ReadFileBytes(image, file["sector"].get<std::uint64_t>() * kSector, 1024);
        EXPECT_EQ(DetectContentType(first), expected) << file["name"];
    }
}

TEST(ContentDetectorTest, DeepDetectorTellsOfficeAndCompoundKinds) {
    for (const Sample& sample : Samples()) {
        EXPECT_EQ(DeepType(sample.bytes), ExtensionOf(sample.file)) << sample.file;
    }
}

// Packages far longer than the bound (LibreOffice's streamed parts): cut before the central
// directory, the local headers at the start tell the kind; with the document's parts pushed
// beyond the bound (zeros after the first part, the end record's directory offset moved with
// them), the central directory found from the end record does.
TEST(ContentDetectorTest, DeepDetectorTellsLongPackagesWithinItsBound) {
    const Bytes& pptx = SampleNamed("sample-lo.pptx").bytes;
    Bytes cut = Prefix(pptx, 4096);
    cut.resize(3 * kDeepDetectBytes);
    constexpr std::size_t kSecondPart = 276, kPushed = 2 * kDeepDetectBytes;
    Bytes pushed = pptx;
    pushed.insert(pushed.begin() + kSecondPart, kPushed, 0);
    const std::size_t end = pushed.size() - 22;  // the end record, without a comment
    ASSERT_EQ(std::memcmp(&pushed[end], "PK\x05\x06", 4), 0);
    const std::uint32_t directory = ByteReader(pushed).U32(end + 16) + kPushed;
    for (std::size_t i = 0; i < 4; ++i) pushed[end + 16 + i] = static_cast<std::uint8_t>(directory >> (8 * i));
    for (const Bytes* file : {&cut, &pushed}) {
        std::uint64_t asked = 0;
        EXPECT_EQ(DetectContentTypeDeep(ReaderOf(*file, asked), file->size()), "pptx");
        EXPECT_LE(asked, 2 * kDeepDetectBytes);
    }
    // A reader that fails, and an empty file, tell nothing.
    const Bytes& docx = SampleNamed("sample-lo.docx").bytes;
    std::uint64_t asked = 0;
    EXPECT_EQ(DetectContentTypeDeep([](std::uint64_t, std::span<std::uint8_t>) { return false; }, docx.size()), "unknown");
    EXPECT_EQ(DetectContentTypeDeep(ReaderOf(docx, asked), 0), "unknown");
}

TEST(ContentDetectorTest, RandomBytesAndTextAreUnknown) {
    Bytes random(64 * 1024);
    std::mt19937 generator(777);
    for (auto& byte : random) byte = static_cast<std::uint8_t>(generator());
    const std::string text = "Meeting notes\r\nBring the reports and the budget figures.\r\n";
    const Bytes textBytes(text.begin(), text.end());
    for (const Bytes& bytes : {random, textBytes}) {
        EXPECT_EQ(DetectContentType(bytes), "unknown");
        EXPECT_EQ(DeepType(bytes), "unknown");
    }
    EXPECT_EQ(DetectContentType({}), "unknown");
}

// Start tests given fewer bytes than they look at read none past them (the ASan build shows a
// stray read) and take the bytes for no other type.
TEST(ContentDetectorTest, TruncatedSamplesAreTheirTypeOrUnknown) {
    for (const Sample& sample : Samples()) {
        for (std::size_t count : {1, 4, 10, 100}) {
            const Bytes first = Prefix(sample.bytes, count);
            const std::string shallow = DetectContentType(first), deep = DeepType(first);
            EXPECT_TRUE(shallow == FirstBytesType(sample) || shallow == "unknown") << sample.file << " " << count << " " << shallow;
            EXPECT_TRUE(deep == ExtensionOf(sample.file) || deep == "unknown") << sample.file << " " << count << " " << deep;
        }
    }
}

}  // namespace
}  // namespace tundrel
