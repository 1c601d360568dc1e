// Archive listings: RAR against the listings of an independent RAR reader, ZIP against what
// unzip -lv shows of archives made by zip, and both over damaged copies.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/ansi_code_page.h"
#include "preview/rar_listing.h"
#include "preview/zip_listing.h"
#include "support/strings.h"
#include "support/text.h"
#include "test_support.h"

namespace tundrel {
namespace {

using namespace test;

const std::filesystem::path kRarSamples = TUNDREL_TEST_DATA_DIR "/../../shared/testdata/rar";
const std::filesystem::path kArchives = TUNDREL_TEST_DATA_DIR "/preview/data";

// Reads `bytes` as a file; notes the largest read.
FileBytesReader ReaderOf(const std::vector<std::uint8_t>& bytes, std::size_t* largestRead = nullptr) {
    return [&bytes, largestRead](std::uint64_t offset, std::span<std::uint8_t> buffer) {
        if (largestRead != nullptr) *largestRead = std::max(*largestRead, buffer.size());
        if (offset > bytes.size() || buffer.size() > bytes.size() - offset) return false;
        std::memcpy(buffer.data(), bytes.data() + offset, buffer.size());
        return true;
    };
}

std::optional<std::string> RarListing(const std::vector<std::uint8_t>& bytes, std::u16string_view name = u"x.rar") {
    AnsiCodePage codePage("CP932");
    const auto listing = ListRarArchive(ReaderOf(bytes), bytes.size(), codePage, name);
    if (!listing) return std::nullopt;
    std::string text = ToUtf8(*listing);
    for (std::size_t at; (at = text.find("\r\n")) != std::string::npos;) text.erase(at, 1);
    return text;
}

std::string AfterFirstLine(const std::string& text) { return text.substr(text.find('\n') + 1); }

class RarListingTest : public ::testing::TestWithParam<const char*> {};

TEST_P(RarListingTest, EqualsTheReferenceListing) {
    const auto archive = kRarSamples / GetParam();
    if (!std::filesystem::exists(archive)) GTEST_SKIP() << "no shared RAR samples at " << kRarSamples;
    std::ifstream expectedFile(archive.string() + ".exp", std::ios::binary);
    std::stringstream expected;
    expected << expectedFile.rdbuf();

    const auto listing = RarListing(FileBytes(archive), u"test/files/" + ToUtf16(GetParam()));
    ASSERT_TRUE(listing);
    EXPECT_EQ(listing->substr(0, listing->find('\n')), std::string("Archive: test/files/") + GetParam());
    EXPECT_EQ(AfterFirstLine(*listing), AfterFirstLine(expected.str()));
}

INSTANTIATE_TEST_SUITE_P(Samples, RarListingTest,
                         ::testing::Values("rar2-unix-owner.rar", "rar3-comment-plain.rar", "rar3-owner.rar",
                                           "rar3-solid.rar", "rar3-subdirs.rar", "rar3-versions.rar"));

TEST(RarListing, DamagedArchivesListWhatPrecedesTheDamage) {
    const auto archive = kRarSamples / "rar3-subdirs.rar";
    if (!std::filesystem::exists(archive)) GTEST_SKIP() << "no shared RAR samples at " << kRarSamples;
    const auto whole = FileBytes(archive);
    const auto names = [](const std::optional<std::string>& listing) {
        std::size_t count = 0;
        for (std::size_t at = 0; listing && (at = listing->find("\n  name=", at)) != std::string::npos; ++at) ++count;
        return count;
    };
    // The second file header starts at 0x51, its data at 0x90, the third header at 0x98.
    struct Case {
        const char* what;
        std::size_t cutAt;                // 0: the whole archive
        std::size_t patchAt;
        std::vector<std::uint8_t> patch;
        std::size_t entries;
    };
    const Case cases[] = {
        {"cut inside the third file header", 0xA0, 0, {}, 2},
        {"cut inside the second file's data, after its whole header", 0x94, 0, {}, 2},
        {"second header of size 0", 0, 0x51 + 5, {0, 0}, 1},
        {"second header larger than the file", 0, 0x51 + 5, {0xFF, 0xFF}, 1},
        {"second header's name longer than its header", 0, 0x51 + 26, {0xFF, 0x00}, 1},
    };
    for (const Case& c : cases) {
        auto bytes = whole;
        if (c.cutAt != 0) bytes.resize(c.cutAt);
        std::ranges::copy(c.patch, bytes.begin() + static_cast<std::ptrdiff_t>(c.patchAt));
        EXPECT_EQ(names(RarListing(bytes)), c.entries) << c.what;
    }

    auto encrypted = whole;
    encrypted[7 + 3] |= 0x80;  // the main header's flag for encrypted headers
    ScopedLanguage language(Language::Japanese);
    EXPECT_EQ(RarListing(encrypted), ToUtf8(Text16(StringId::PreviewEncrypted)));

    EXPECT_FALSE(RarListing(std::vector<std::uint8_t>(whole.begin(), whole.begin() + 7))) << "a marker alone";

    // A packed comment that does not unpack is left out; the files are still listed.
    const auto commented = kRarSamples / "rar3-comment-plain.rar";
    auto badComment = FileBytes(commented);
    std::fill(badComment.begin() + 0x37, badComment.begin() + 0x37 + 22, 0xFF);
    const auto listing = RarListing(badComment);
    EXPECT_EQ(names(listing), 2u);
    EXPECT_EQ(listing->find("RARcomment"), std::string::npos);
    EXPECT_NE(listing->find("Comment1v2"), std::string::npos);
    EXPECT_FALSE(RarListing(FileBytes(kArchives / "plain.zip"))) << "not a RAR archive";
}

std::optional<std::vector<std::string>> ZipLines(const std::vector<std::uint8_t>& bytes) {
    AnsiCodePage codePage("CP932");
    std::size_t largestRead = 0;
    const auto listing = ListZipArchive(ReaderOf(bytes, &largestRead), bytes.size(), codePage);
    EXPECT_LE(largestRead, 1024u) << "the walk reads 1,024-byte pieces";
    if (!listing) return std::nullopt;
    std::vector<std::string> lines;
    std::stringstream text(ToUtf8(*listing));
    for (std::string line; std::getline(text, line);) {
        EXPECT_TRUE(line.ends_with('\r'));
        lines.push_back(line.substr(0, line.size() - 1));
    }
    return lines;
}

TEST(ZipListing, ListsEntriesInArchiveOrder) {
    const std::vector<std::string> plain{
        "2024-05-01 12:34:56  16  16  stored  hello.txt",
        "2024-05-01 12:34:56  0  0  stored  folder/",
        "2024-05-01 12:34:56  1,492  698  deflate  folder/numbers.txt",
        "2024-05-01 12:34:56  25  25  stored  日本語.txt",
    };
    EXPECT_EQ(ZipLines(FileBytes(kArchives / "plain.zip")), plain);
    // Written to a pipe: sizes only in the data descriptors after each entry's data.
    const std::vector<std::string> streamed{
        "2024-05-01 12:34:56  16  18  deflate  hello.txt",
        "2024-05-01 12:34:56  1,492  698  deflate  folder/numbers.txt",
    };
    EXPECT_EQ(ZipLines(FileBytes(kArchives / "streamed.zip")), streamed);
}

TEST(ZipListing, NamesWithoutTheUtf8FlagAreInTheCodePage) {
    auto bytes = FileBytes(kArchives / "plain.zip");
    // hello.txt's 9 name bytes become "日本語txt" in CP932, as Windows writes names.
    const std::vector<std::uint8_t> name{0x93, 0xFA, 0x96, 0x7B, 0x8C, 0xEA, 't', 'x', 't'};
    std::ranges::copy(name, bytes.begin() + 30);
    const auto lines = ZipLines(bytes);
    ASSERT_TRUE(lines);
    EXPECT_EQ(lines->front(), "2024-05-01 12:34:56  16  16  stored  日本語txt");
}

TEST(ZipListing, DamagedArchivesListTheEntriesBeforeTheDamage) {
    const auto plain = FileBytes(kArchives / "plain.zip");
    const auto streamed = FileBytes(kArchives / "streamed.zip");
    const auto cut = [](std::vector<std::uint8_t> bytes, std::size_t size) {
        bytes.resize(size);
        return bytes;
    };
    // plain.zip: hello.txt's header at 0, folder/ at 55, numbers.txt at 92 with data from 140.
    struct Case {
        const char* what;
        std::vector<std::uint8_t> bytes;
        std::optional<std::size_t> entries;
    };
    auto badThird = plain;
    badThird[92] = 'X';
    auto sizeTooLarge = plain;
    sizeTooLarge[92 + 18] = 0xFF, sizeTooLarge[92 + 21] = 0x7F;
    const Case cases[] = {
        {"cut inside numbers.txt's data", cut(plain, 400), 2},
        {"cut inside numbers.txt's header", cut(plain, 110), 2},
        {"cut inside the first header", cut(plain, 20), std::nullopt},
        {"a third header without its signature", badThird, 2},
        {"a compressed size past the file", sizeTooLarge, 2},
        {"streamed, cut before the second descriptor", cut(streamed, 600), 1},
        {"no local header at 0", FileBytes(kArchives / "tiny.png"), std::nullopt},
        {"empty", {}, std::nullopt},
    };
    for (const Case& c : cases) {
        const auto lines = ZipLines(c.bytes);
        EXPECT_EQ(lines ? std::optional(lines->size()) : std::nullopt, c.entries) << c.what;
    }
}

}  // namespace
}  // namespace tundrel
