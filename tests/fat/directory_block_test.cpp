// Telling FAT directory clusters from other data found on a disk.

#include <gtest/gtest.h>

#include <random>

#include "fat/directory_block.h"
#include "fat/short_name_rules.h"
#include "fat_test_support.h"

namespace tundrel {
namespace {

using test::ChecksumOf;
using test::PutEntry;
using test::PutLongName;

bool Accepts(const std::vector<std::uint8_t>& block, std::span<const std::uint8_t> before = {}) {
    return IsFatDirectoryBlock(block, block.size() / 32, before);
}

std::vector<std::uint8_t> ShortEntries(std::initializer_list<test::EntryLayout> entries) {
    std::vector<std::uint8_t> block(64 * 32, 0);
    std::size_t index = 0;
    for (const auto& entry : entries) PutEntry(block, index++, entry);
    return block;
}

TEST(DirectoryBlockTest, ShortNameRules) {
    auto name = [](const std::string& text) { return ShortEntries({{.shortName = text}}); };
    EXPECT_TRUE(IsValidShortName(name("A~1!@#$%(){")));
    EXPECT_FALSE(IsValidShortName(name("readme  txt")));
    EXPECT_TRUE(HasNumericTail(name("AB~12   TXT")));
    EXPECT_FALSE(HasNumericTail(name("~1      TXT")));  // "~" may not come first
    EXPECT_FALSE(HasNumericTail(name("REPORT~ TXT")));
}

TEST(DirectoryBlockTest, DotEntriesAcceptAtOnceAndShortEntriesNeedPlausibleFields) {
    auto dots = ShortEntries({});
    test::PutDotEntries(dots, 5);
    std::fill(dots.begin() + 64, dots.end(), 0xAB);
    EXPECT_TRUE(Accepts(dots));

    const test::EntryLayout readme{.shortName = "README  TXT", .cluster = 3, .size = 10};
    const test::EntryLayout docs{.shortName = "DOCS       ", .attributes = 0x10, .cluster = 4};
    EXPECT_TRUE(Accepts(ShortEntries({readme, docs})));
    EXPECT_FALSE(Accepts(ShortEntries({readme, {.shortName = "OLD     TXT", .modifiedDate = 0x1421}})));  // 1990
    EXPECT_FALSE(Accepts(ShortEntries({readme, {.shortName = "DOCS       ", .attributes = 0x10, .size = 512}})));
    EXPECT_FALSE(Accepts(ShortEntries({readme, {.shortName = "README  TXT", .cluster = 9}})));  // same name twice
    EXPECT_FALSE(Accepts(ShortEntries({readme, {.shortName = "DA TA   CSV"}})));
    EXPECT_FALSE(Accepts(ShortEntries({})));

    auto trailing = ShortEntries({readme});
    trailing[5 * 32 + 7] = 1;  // something after the end of the directory
    EXPECT_FALSE(Accepts(trailing));
    auto repeated = ShortEntries({readme, readme});
    EXPECT_FALSE(Accepts(repeated));
    repeated[0] = repeated[32] = 0xE5;  // freed entries may repeat: a file saved again and again
    EXPECT_TRUE(Accepts(repeated));
}

TEST(DirectoryBlockTest, LongNamesMustMatchTheirShortEntries) {
    auto block = ShortEntries({});
    PutLongName(block, 2, u"Quarterly report.txt", ChecksumOf("QUARTE~1TXT"));
    PutEntry(block, 2, {.shortName = "QUARTE~1TXT"});
    PutLongName(block, 5, u"Holiday photo.jpeg", ChecksumOf("HOLIDA~1JPE"));
    PutEntry(block, 5, {.shortName = "HOLIDA~1JPE"});
    EXPECT_TRUE(Accepts(block));

    auto wrong = block;
    wrong[2 * 32 + 7] = 'X';
    EXPECT_FALSE(Accepts(wrong));
    // A deleted entry's first character comes back from its long name; when even that does not
    // give the checksum, the long name is broken.
    block[5 * 32] = 0xE5;
    EXPECT_TRUE(Accepts(block));
    block[5 * 32 + 3] = 'Z';
    EXPECT_FALSE(Accepts(block));

    // A block that continues a long name is vouched for by the entry before it.
    const auto lowerCase = ShortEntries({{.shortName = "abcdefghtxt"}});
    std::vector<std::uint8_t> before(2 * 32, 0);
    PutLongName(before, 1, u"abcdefgh.txt", ChecksumOf("abcdefghtxt"));
    EXPECT_FALSE(Accepts(lowerCase));
    EXPECT_TRUE(Accepts(lowerCase, before));
    EXPECT_TRUE(Accepts(ShortEntries({{.shortName = "abc~1   txt"}})));  // the tail of a long-named run
}

TEST(DirectoryBlockTest, MoreThanSixteenUnlikelyNamesRejectEvenAMostlyLikelyBlock) {
    auto blockWith = [](std::size_t unlikely) {
        auto block = ShortEntries({});
        for (std::size_t i = 0; i < 24 + unlikely; ++i) {
            PutEntry(block, i, {.shortName = (i < 24 ? "FILE" : "note") + std::to_string(1000 + i) + "TXT"});
        }
        return block;
    };
    EXPECT_TRUE(Accepts(blockWith(16)));
    EXPECT_FALSE(Accepts(blockWith(17)));
}

TEST(DirectoryBlockTest, TextAndRandomBytesAreNotDirectories) {
    std::vector<std::uint8_t> text(512, 0);
    const std::string readme = "This is the README of the project.\r\nIt explains how to build it.\r\n";
    std::copy(readme.begin(), readme.end(), text.begin());
    EXPECT_FALSE(Accepts(text));
    std::mt19937 random(7);
    std::vector<std::uint8_t> noise(4096);
    for (int round = 0; round < 200; ++round) {
        for (auto& b : noise) b = static_cast<std::uint8_t>(random());
        EXPECT_FALSE(Accepts(noise)) << round;
    }
}

}  // namespace
}  // namespace tundrel
