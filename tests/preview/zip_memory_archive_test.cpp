#include "preview/zip_memory_archive.h"
#include "support/byte_writer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "zip_builder.h"

namespace tundrel {
namespace {

using test::ZipOf;

std::string AsString(const std::vector<std::uint8_t>& bytes) { return std::string(bytes.begin(), bytes.end()); }

// Where the first central directory entry starts.
std::size_t CentralEntry(const std::vector<std::uint8_t>& zip) {
    const std::string signature = "PK\x01\x02";
    return static_cast<std::size_t>(std::search(zip.begin(), zip.end(), signature.begin(), signature.end()) - zip.begin());
}

TEST(ZipMemoryArchive, ListsMembersInOrderAndFindsTheFirstOfAnExactName) {
    const auto zip = ZipOf({{"[Content_Types].xml", "types"}, {"word/document.xml", ""}, {"word/document.xml", "second"}});
    ZipMemoryArchive archive(zip);
    ASSERT_TRUE(archive.IsOpen());
    ASSERT_EQ(archive.Members().size(), 3u);
    EXPECT_EQ(archive.Members()[0].name, "[Content_Types].xml");
    EXPECT_EQ(archive.Find("word/document.xml"), &archive.Members()[1]);
    EXPECT_EQ(archive.Find("Word/document.xml"), nullptr);
    EXPECT_EQ(AsString(archive.Read("[Content_Types].xml").value_or(std::vector<std::uint8_t>{})), "types");
    EXPECT_EQ(AsString(archive.Read(archive.Members()[2]).value_or(std::vector<std::uint8_t>{})), "second");
}

TEST(ZipMemoryArchive, DamagedPackagesGiveNothing) {
    const auto good = ZipOf({{"word/document.xml", std::string(5000, 'x') + "the end"}});
    struct Case {
        const char* damage;
        std::function<void(std::vector<std::uint8_t>&)> apply;
    } cases[] = {
        {"cut short", [](auto& zip) { zip.resize(zip.size() / 2); }},
        {"compressed bytes changed", [](auto& zip) { zip[30 + zip[26] + zip[28] + 5] ^= 0x55; }},
        {"directory names a local header past the end", [](auto& zip) { PutLittleEndian(zip, CentralEntry(zip) + 42, 0x7FFFFFF0, 4); }},
        {"no container at all", [](auto& zip) { zip = test::PatternBytes(zip.size()); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.damage);
        auto zip = good;
        c.apply(zip);
        ZipMemoryArchive archive(zip);
        EXPECT_FALSE(archive.Read("word/document.xml").has_value());
    }
}

TEST(ZipMemoryArchive, MemberInflatingPastTheLimitIsNotRead) {
    auto zip = ZipOf({{"bomb", std::string(kInflateLimit + 1, '\0')}, {"full", std::string(kInflateLimit, '\0')}});
    ASSERT_LT(zip.size(), 1u << 20);
    ZipMemoryArchive archive(zip);
    EXPECT_FALSE(archive.Read("bomb").has_value());
    // Members that share their bytes may not inflate a package past its budget either.
    for (std::uint64_t read = 0; read + kInflateLimit <= ZipMemoryArchive::kTotalInflateLimit; read += kInflateLimit) {
        EXPECT_EQ(archive.Read("full").value_or(std::vector<std::uint8_t>{}).size(), kInflateLimit);
    }
    EXPECT_FALSE(archive.Read("full").has_value());
    // Headers that understate the size: the read ends where they say, and the checksum fails.
    PutLittleEndian(zip, 22, 1000, 4);
    PutLittleEndian(zip, CentralEntry(zip) + 24, 1000, 4);
    ZipMemoryArchive understated(zip);
    ASSERT_EQ(understated.Members().at(0).size, 1000u);
    EXPECT_FALSE(understated.Read("bomb").has_value());
}

}  // namespace
}  // namespace tundrel
