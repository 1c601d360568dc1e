// exFAT structures on their own: entry-set checksum and name hash, the directory-block test,
// the listing of entry sets, the boot sector's scale, the bitmap, and the linking of lost
// directory clusters into folders.

#include <gtest/gtest.h>

#include "exfat/exfat_test_support.h"
#include "exfat/exfat_allocation_bitmap.h"
#include "exfat/exfat_directory_block.h"
#include "exfat/exfat_entry_set.h"
#include "exfat/exfat_geometry.h"
#include "exfat/exfat_lost_directories.h"
#include "scan/name_pool.h"
#include "support/byte_reader.h"
#include "support/text.h"

namespace tundrel {
namespace {

using test::Block;
using test::EntrySet;

TEST(ExFatEntrySetTest, ChecksumAndHashAgreeWithTheRealDriverOnLiveAndDeletedSets) {
    const auto image = test::ImageBytes("exfat");
    int sets = 0;
    // The root (cluster 5) and the deleted folder "Old Folder" (cluster 75); the heap is at sector 4096.
    for (const std::size_t cluster : {5, 75}) {
        const auto block = std::span<const std::uint8_t>(image).subspan(4096 * 512 + (cluster - 2) * 4096, 4096);
        for (std::size_t i = 0; i < 128; ++i) {
            const ByteReader file(ExFatEntryAt(block, i));
            if (!IsFileEntryType(file.U8(0))) continue;
            EXPECT_EQ(EntrySetChecksum(block.subspan(i * 32, (file.U8(1) + 1) * 32)), file.U16(2)) << i;
            std::u16string name;
            for (std::size_t c = 0; c < ByteReader(ExFatEntryAt(block, i + 1)).U8(3); ++c) {
                name.push_back(static_cast<char16_t>(ByteReader(ExFatEntryAt(block, i + 2 + c / 15)).U16(2 + c % 15 * 2)));
            }
            EXPECT_EQ(NameHash(name), ByteReader(ExFatEntryAt(block, i + 1)).U16(4)) << ToUtf8(name);
            ++sets;
        }
        EXPECT_TRUE(IsExFatDirectoryBlock(block, 128)) << cluster;
    }
    EXPECT_GE(sets, 15);  // names in several scripts, an emoji, deleted sets
    EXPECT_EQ(NameHash(u"café.TXT"), NameHash(u"CAFÉ.txt"));
    EXPECT_FALSE(NameHash(u"").has_value());
}

TEST(ExFatEntrySetTest, BlockTestRejectsBlocksThatOnlyLookLikeDirectories) {
    EXPECT_TRUE(IsExFatDirectoryBlock(Block({EntrySet({})}), 128));
    EXPECT_TRUE(IsExFatDirectoryBlock(Block({EntrySet({.deleted = true})}), 128));
    // The checksum covers the wrong hash, and still the block is refused.
    EXPECT_FALSE(IsExFatDirectoryBlock(Block({EntrySet({.hashDelta = 1})}), 128));
    auto badChecksum = EntrySet({});
    badChecksum[2] ^= 1;
    EXPECT_FALSE(IsExFatDirectoryBlock(Block({badChecksum}), 128));
    // A directory has one volume label at most, whatever follows.
    EXPECT_FALSE(IsExFatDirectoryBlock(Block({{0x83}, {0x83}, EntrySet({})}), 128));
    EXPECT_TRUE(IsExFatDirectoryBlock(Block({{0x83}, {0x81}, EntrySet({})}), 128));
    // A set cut off by the block's end confirms nothing; zeros are no directory.
    EXPECT_FALSE(IsExFatDirectoryBlock(Block({EntrySet({})}), 2));
    EXPECT_FALSE(IsExFatDirectoryBlock(Block({}), 128));
}

class ExFatListingTest : public ::testing::Test {
protected:
    ScanNode List(const std::vector<std::uint8_t>& block, bool parentDeleted = false) {
        ScanNode parent;
        parent.Set(kFlagDeleted, parentDeleted);
        ListExFatDirectory(parent, block, context, false);
        return parent;
    }
    NamePool names;
    ExFatListContext context{&names, {}};
};

TEST_F(ExFatListingTest, SetsBecomeNodesWithTheirStateAndOrder) {
    const ScanNode parent = List(Block({
        EntrySet({.name = u"chained.bin", .firstCluster = 50, .length = 5000, .streamFlags = 0x01}),
        EntrySet({.name = u"gone.txt", .firstCluster = 60, .deleted = true, .streamFlags = 0x01}),
        EntrySet({.name = u"Folder", .streamFlags = 0x03, .attributes = 0x16}),
        EntrySet({.name = u"contiguous.bin"}),
    }));
    ASSERT_EQ(test::ChildNamesOf(parent), (std::vector<std::string>{"Folder", "chained.bin", "contiguous.bin", "gone.txt"}));
    const ScanNode& folder = parent.children[0];
    EXPECT_TRUE(folder.IsDirectory() && folder.Has(kFlagHidden) && folder.Has(kFlagSystem) && !folder.Has(kFlagArchive));
    EXPECT_EQ(folder.parent, &parent);
    const ScanNode& chained = parent.children[1];
    EXPECT_FALSE(chained.Has(kFlagNoChain));
    EXPECT_EQ((std::vector<std::uint64_t>{chained.location, chained.size, chained.modifiedDate, chained.modifiedTime}),
              (std::vector<std::uint64_t>{50, 5000, 0x5835, (9u << 12) | (16u << 6)}));
    EXPECT_TRUE(parent.children[2].Has(kFlagNoChain));
    // A deleted set's chain is gone: its clusters are taken as contiguous.
    EXPECT_EQ(parent.children[3].flags & (kFlagDeleted | kFlagRecordFree | kFlagNoChain),
              kFlagDeleted | kFlagRecordFree | kFlagNoChain);

    const ScanNode below = List(Block({EntrySet({})}), true);
    EXPECT_TRUE(below.children.at(0).Has(kFlagDeleted));
    EXPECT_FALSE(below.children.at(0).Has(kFlagRecordFree));
}

TEST_F(ExFatListingTest, WhatHoldsNothingOrIsCutOffGivesNoNode) {
    auto cut = EntrySet({.name = u"a name long enough for two entries"});
    cut.resize(cut.size() - 32);
    const ScanNode parent = List(Block({
        EntrySet({.name = u"deleted-empty.txt", .firstCluster = 0, .length = 0, .deleted = true}),
        EntrySet({.name = u"live-empty.txt", .firstCluster = 0, .length = 0}),
        EntrySet({.name = u"~$report.doc"}),
        EntrySet({.name = u"backup.TMP"}),
        {0x81},  // a bitmap entry of length 0
        cut,     // interrupted by the next set
        EntrySet({.name = u"next.txt"}),
    }));
    EXPECT_EQ(test::ChildNamesOf(parent), (std::vector<std::string>{"live-empty.txt", "next.txt"}));
    EXPECT_TRUE(List(Block({cut})).children.empty());
}

TEST_F(ExFatListingTest, NamesFollowTheirLengthAndTheLongestHas255Characters) {
    // The length field is one byte: of 300 characters on offer, 255 (within 258) are taken.
    const ScanNode longest = List(Block({EntrySet({.name = std::u16string(300, u'n'), .nameLength = 255, .nameEntries = 20})}));
    EXPECT_EQ(std::u16string(longest.children.at(0).name).size(), 255u);
    EXPECT_EQ(test::ChildNamesOf(List(Block({EntrySet({.name = u"abcdefghij", .nameLength = 4})}))), std::vector<std::string>{"abcd"});
    std::vector<std::uint8_t> bitmap(32, 0);
    bitmap[0] = 0x81;
    bitmap[20] = 2;
    bitmap[24] = 0xC0;
    const ScanNode root = List(Block({bitmap}));
    ASSERT_EQ(test::ChildNamesOf(root), std::vector<std::string>{"$Bitmap"});
    EXPECT_TRUE(root.children[0].Has(kFlagHidden) && root.children[0].Has(kFlagSystem));
    EXPECT_EQ(root.children[0].size, 0xC0u);
}

TEST(ExFatLayoutTest, SectorScaleAndCutsFollowTheBootSector) {
    auto boot = test::ImageBytes("exfat");
    boot.resize(512);
    boot[108] = 12;  // 4 KiB sectors
    const auto g = ComputeExFatGeometry(boot, 1u << 20);
    ASSERT_TRUE(g.has_value());
    EXPECT_EQ(ExFatSectorScale(boot), 8u);
    EXPECT_EQ(g->dataStart, 8u * 4096);
    EXPECT_EQ(g->clusterSectors, 8u * 8);
    // The cluster count of the boot sector is cut to the heap that fits in the volume.
    EXPECT_EQ(ComputeExFatGeometry(boot, 8 * 4096 + 64 * 100)->clusterCount, 100u);
    EXPECT_FALSE(ComputeExFatGeometry(boot, 8 * 4096).has_value());
    for (const std::uint8_t damaged : {0, 8, 17, 255}) {
        boot[108] = damaged;
        EXPECT_EQ(ExFatSectorScale(boot), 1u) << int{damaged};
    }
}

TEST(ExFatLayoutTest, FreeRunsFollowTheBitmapAndBeyondItNothingIsKnownUsed) {
    const AllocationBitmap bitmap({0b1111'0011, 0xFF, 0x00, 0b0000'0001});
    EXPECT_EQ(bitmap.CountUsed(), 15u);
    std::vector<std::pair<std::uint64_t, std::uint64_t>> free;  // first cluster, count
    for (const auto& run : FreeClusterRuns(bitmap, 40)) free.emplace_back(run.firstCluster, run.count);
    // Byte 2 and the free bits of byte 3 make one run.
    EXPECT_EQ(free, (std::vector<std::pair<std::uint64_t, std::uint64_t>>{{4, 2}, {18, 8}, {27, 13}}));
}

TEST(ExFatLayoutTest, LostClustersJoinTheFoldersThatNameThemOnceEach) {
    // Each record holds one entry, freed but for Big (live, two clusters long); an entry that
    // names a cluster is a folder. Loop and Back name only each other.
    const struct {
        std::uint32_t cluster;
        const char16_t* name;
        std::uint32_t names;
    } rows[] = {{5, u"Stale", 40}, {6, u"Big", 40}, {40, u"x.txt", 0}, {41, u"y.txt", 0}, {50, u"Loop", 51},
                {51, u"Back", 50}};
    std::vector<LostDirectoryRecord> records;
    for (const auto& row : rows) {
        LostDirectoryRecord& record = records.emplace_back();
        record.cluster = row.cluster;
        ScanNode& node = record.folder.children.emplace_back();
        node.name = row.name;
        node.location = row.names;
        node.size = row.cluster == 6 ? 2 * 4096 : 4096;
        node.Set(kFlagDirectory, row.names != 0);
        node.Set(kFlagRecordFree, row.cluster != 6);
    }
    NamePool names;
    const std::vector<ScanNode> folders = LinkLostDirectories(std::move(records), names, 4096);
    std::vector<std::string> top;
    for (const ScanNode& folder : folders) top.push_back(ToUtf8(folder.name));
    EXPECT_EQ(top, (std::vector<std::string>{"Dir_5", "Dir_6", "Dir_50"}));
    EXPECT_TRUE(folders[0].children.at(0).children.empty());
    EXPECT_EQ(test::ChildNamesOf(folders[1].children.at(0)), (std::vector<std::string>{"x.txt", "y.txt"}));
    EXPECT_EQ(test::ChildNamesOf(folders[2].children.at(0)), std::vector<std::string>{"Back"});
    EXPECT_TRUE(folders[2].children[0].children[0].children.empty());
}

}  // namespace
}  // namespace tundrel
