// Directory entries as result-tree nodes: names, fields, and the entries left out; lost
// directories found among free clusters.

#include <gtest/gtest.h>

#include "disk/fs_type.h"
#include "platform/ansi_code_page.h"
#include "fat/directory_listing.h"
#include "fat/entry_name.h"
#include "fat/lost_directories.h"
#include "fat_test_support.h"
#include "scan/name_pool.h"

namespace tundrel {
namespace {

using test::PutEntry;

class DirectoryListingTest : public ::testing::Test {
protected:
    DirectoryListingTest() {
        parameters.sectorsPerCluster = 4;
        parameters.totalSectors32 = 400000;
        context = {kFsFat32, &parameters, &clusters, &stop, &names, &codePage, {}};
    }
    ScanNode List(bool parentDeleted = false) {
        ScanNode parent;
        parent.Set(kFlagDeleted, parentDeleted);
        EXPECT_TRUE(ListDirectory(parent, block, block.size() / 32, context, false));
        return parent;
    }
    std::vector<std::uint8_t> block = std::vector<std::uint8_t>(32 * 32, 0);
    FatBootParameters parameters;
    DirectoryClusters clusters;
    std::atomic<std::uint32_t> stop{0};
    NamePool names;
    AnsiCodePage codePage{"CP932"};
    ListContext context;
};

TEST_F(DirectoryListingTest, NamesFromCaseFlagsCodePageFreedMarksAndLongNames) {
    PutEntry(block, 0, {.shortName = "README  TXT", .caseFlags = 0x18});
    PutEntry(block, 1, {.shortName = "\x93\xfa\x96{    TXT", .caseFlags = 0x08});  // "日本" in CP932
    PutEntry(block, 2, {.shortName = "\xE5ILE    TXT"});
    PutEntry(block, 3, {.shortName = "\xE5\x9B      TXT"});  // the mark took a lead byte: kept
    PutEntry(block, 4, {.shortName = std::string("\0ATE    TXT", 11)});
    test::PutLongName(block, 7, u"Deleted Long Name.txt", test::ChecksumOf("DELETE~1TXT"), /*deleted=*/true);
    PutEntry(block, 7, {.shortName = "\xE5" "ELETE~1TXT"});
    EXPECT_EQ(test::NamesOf(List()), (std::vector<std::u16string>{u" ATE.TXT", u"#ILE.TXT", u"Deleted Long Name.txt",
                                                                  u"readme.txt", u"日本.TXT", u"蝗.TXT"}));

    std::vector<std::uint8_t> wide(32 * 32, 0);
    const std::u16string longName(280, u'x');
    PutEntry(wide, 25, {.shortName = "XXXXXX~1   "});
    test::PutLongName(wide, 25, longName, 0);
    EXPECT_EQ(BuildEntryName(wide, 25, 'X', codePage), longName.substr(0, kMaxLongNameChars));
}

TEST_F(DirectoryListingTest, LabelsDotsTemporaryFilesAndEverythingAfterTheEndGiveNoNode) {
    test::PutDotEntries(block, 7);
    PutEntry(block, 2, {.shortName = "VOLUMELABEL", .attributes = 0x08});
    PutEntry(block, 3, {.shortName = "~$REPO~1DOC"});
    PutEntry(block, 4, {.shortName = "SCRATCH TMP"});
    PutEntry(block, 5, {.shortName = "KEEP    TXT"});
    PutEntry(block, 7, {.shortName = "AFTER   TXT"});  // entry 6 is all zero: the end
    EXPECT_EQ(test::NamesOf(List()), std::vector<std::u16string>{u"KEEP.TXT"});
}

TEST_F(DirectoryListingTest, FieldsFirstClustersAndTheVolumeBound) {
    PutEntry(block, 0, {.shortName = "DOCS       ", .attributes = 0x16, .cluster = 0x12345});
    PutEntry(block, 1, {.shortName = "BIG     BIN", .attributes = 0x21, .cluster = 9, .size = 0xFFFFFFFF});
    PutEntry(block, 2, {.shortName = "FAR     BIN", .cluster = 100001});  // 100,001 x 4 sectors > 400,000
    block[32 + 13] = 150;                                                 // creation 10 ms count: one more second
    block[32 + 14] = 0x21;                                                // created 00:01:02
    const ScanNode parent = List();
    ASSERT_EQ(parent.children.size(), 2u);
    const ScanNode& docs = parent.children[0];
    EXPECT_TRUE(docs.IsDirectory() && docs.Has(kFlagHidden) && docs.Has(kFlagSystem));
    EXPECT_EQ(docs.location, 0x12345u);
    EXPECT_TRUE(clusters.contains(0x12345u));
    const ScanNode& big = parent.children[1];
    EXPECT_EQ(big.size, 0xFFFFFFFFu);
    EXPECT_TRUE(big.Has(kFlagReadOnly) && big.Has(kFlagArchive));
    EXPECT_EQ(big.modifiedTime, 12u << 12);
    EXPECT_EQ(big.createdTime, (1u << 6) | 3u);
    EXPECT_EQ(big.parent, &parent);

    context.fsType = kFsFat16;  // FAT16 ignores the high cluster word
    EXPECT_EQ(List().children[0].location, 0x2345u);
}

TEST_F(DirectoryListingTest, TheLatestOfSameNamedDeletedEntriesComesFirstAndRepeatsGo) {
    PutEntry(block, 0, {.shortName = "\xE5" "EPORT  DOC", .cluster = 20, .modifiedDate = 0x56C1});
    PutEntry(block, 1, {.shortName = "\xE5" "EPORT  DOC", .cluster = 30, .modifiedDate = 0x56C5});
    PutEntry(block, 2, {.shortName = "ZED     TXT", .cluster = 40});
    const ScanNode two = List();
    ASSERT_EQ(two.children.size(), 3u);
    EXPECT_EQ(two.children[0].location, 30u);
    EXPECT_EQ(two.children[1].location, 20u);

    PutEntry(block, 2, {.shortName = "\xE5" "EPORT  DOC", .cluster = 50, .modifiedDate = 0x56C1});
    PutEntry(block, 3, {.shortName = "ZED     TXT", .cluster = 40});
    EXPECT_EQ(List().children.size(), 3u);  // the third copy in a row is a repeat
}

TEST_F(DirectoryListingTest, DeletedParentsStopRequestsAndFailedBlockTests) {
    PutEntry(block, 0, {.shortName = "SUB        ", .attributes = 0x10, .cluster = 77});
    for (const ScanNode& child : List(/*parentDeleted=*/true).children) {
        EXPECT_TRUE(child.Has(kFlagDeleted) && !child.Has(kFlagRecordFree));
    }
    EXPECT_FALSE(clusters.contains(77u));  // not a live directory
    stop = 1;
    EXPECT_TRUE(List().children.empty());
    stop = 0;
    std::vector<std::uint8_t> text(512, 'x');
    ScanNode parent;
    EXPECT_FALSE(ListDirectory(parent, text, 16, context, /*testFirst=*/true));
}

TEST_F(DirectoryListingTest, LostDirectoriesLinkByTheClusterTheirDotEntryNames) {
    // Read at clusters 9 and 12; the second names itself 5, the cluster the first's SUB names.
    std::vector<std::uint8_t> parent(512, 0), sub(512, 0);
    test::PutDotEntries(parent, 9);
    PutEntry(parent, 2, {.shortName = "\xE5UB        ", .attributes = 0x10, .cluster = 5});
    PutEntry(parent, 3, {.shortName = "\xE5OTES   TXT", .cluster = 30, .size = 100});
    test::PutDotEntries(sub, 5);
    PutEntry(sub, 2, {.shortName = "\xE5NNER   TXT", .cluster = 31, .size = 50});
    auto first = ListLostDirectory(parent, 9, 100, context);
    auto second = ListLostDirectory(sub, 12, 103, context);
    ASSERT_TRUE(first && second);
    EXPECT_EQ(second->ownCluster, 5u);
    EXPECT_FALSE(ListLostDirectory(block, 13, 104, context));  // no "." and ".."

    std::vector<LostDirectoryRecord> records;
    records.push_back(std::move(*second));
    records.push_back(std::move(*first));
    const std::vector<ScanNode> folders = LinkFatLostDirectories(std::move(records), names, 2048);
    ASSERT_EQ(folders.size(), 1u);
    EXPECT_EQ(test::ChildNamesOf(folders[0]), (std::vector<std::string>{"#UB", "#OTES.TXT"}));
    EXPECT_EQ(test::ChildNamesOf(folders[0].children[0]), std::vector<std::string>{"#NNER.TXT"});
    EXPECT_TRUE(folders[0].children[1].Has(kFlagDeleted));
}

}  // namespace
}  // namespace tundrel
