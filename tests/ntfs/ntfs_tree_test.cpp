// Scans of small volumes made record by record: how records become the result tree, where
// data held in other records is found, and what damaged tables cost.

#include <gtest/gtest.h>

#include <algorithm>

#include "ntfs_test_support.h"
#include "support/strings.h"
#include "support/text.h"

namespace tundrel {
namespace {

using test::FindPath;
using test::ListEntry;
using test::RecordBuilder;
using Bytes = std::vector<std::uint8_t>;
using Names = std::vector<std::string>;

constexpr std::uint16_t kDirectory = 0x0003;  // in use

// A run list of one run: `count` clusters at `cluster` (both below 128).
Bytes OneRun(std::uint8_t count, std::uint8_t cluster) { return {0x11, count, cluster, 0x00}; }

class NtfsTreeTest : public ::testing::Test {
protected:
    std::unique_ptr<test::NtfsImageScan> Scan(test::ScanSetup setup = {}) {
        return std::make_unique<test::NtfsImageScan>(volume.Write(dir / "synthetic.img"), setup);
    }

    // Fills the clusters with bytes that tell them apart and returns them joined.
    Bytes Fill(std::initializer_list<std::uint32_t> clusters) {
        Bytes joined;
        for (const std::uint32_t cluster : clusters) {
            auto bytes = volume.Cluster(cluster);
            for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(cluster + i * 7 + i / 256);
            joined.insert(joined.end(), bytes.begin(), bytes.end());
        }
        return joined;
    }

    const ScanNode& At(const test::NtfsImageScan& scan, RootIndex root, std::string_view path) {
        const ScanNode* node = FindPath(const_cast<test::NtfsImageScan&>(scan).Root(root), path);
        EXPECT_NE(node, nullptr) << path;
        static const ScanNode none;
        return node != nullptr ? *node : none;
    }

    test::SyntheticVolume volume;
    test::TempDir dir;
};

TEST_F(NtfsTreeTest, DirectoryListedUnderSeveralNamesHasItsChildrenOnce) {
    // Ten levels of directories, each with two names in the one above: copied naively the
    // tree would hold 2^10 paths to the file at the bottom.
    for (std::uint32_t record = 20, parent = 5; record < 30; parent = record++) {
        const std::u16string level = u"level" + ToUtf16(std::to_string(record));
        volume.PutRecord(record, RecordBuilder(record, kDirectory).Standard().Name(parent, level + u"a").Name(parent, level + u"b").Build());
    }
    volume.PutRecord(30, RecordBuilder(30).Standard().Name(29, u"bottom.txt").Build());
    const auto scan = Scan();
    EXPECT_EQ(test::CountNodes(scan->Root(RootIndex::Root)), 2u * 10 + 1);
    EXPECT_EQ(At(*scan, RootIndex::Root, "level20a").children.size(), 2u);
    EXPECT_TRUE(At(*scan, RootIndex::Root, "level20b").children.empty());
    At(*scan, RootIndex::Root, "level20a/level21a/level22a/level23a/level24a/level25a/level26a/level27a/level28a/level29a/bottom.txt");
}

TEST_F(NtfsTreeTest, NamesThatSortAlikeKeepTheOrderTheyWereMetIn) {
    // Records in number order, and a record's earlier name before its last one: that order
    // tells "twin" from "twin#2" in node addresses.
    volume.PutRecord(21, RecordBuilder(21).Standard().Name(5, u"TWIN").Build());
    volume.PutRecord(20, RecordBuilder(20).Standard().Name(5, u"Twin").Name(5, u"twin").Build());
    volume.PutRecord(22, RecordBuilder(22).Standard().Name(5, u"tWIN").Name(5, u"TWIn").Build());
    EXPECT_EQ(test::ChildNamesOf(Scan()->Root(RootIndex::Root)), (Names{"Twin", "twin", "TWIN", "tWIN", "TWIn"}));
}

TEST_F(NtfsTreeTest, LoopsEndAndRecordsOutOfReachAreFiledByTheParentTheyName) {
    volume.PutRecord(20, RecordBuilder(20, kDirectory).Standard().Name(5, u"top").Name(24, u"again").Build());
    volume.PutRecord(24, RecordBuilder(24, kDirectory).Standard().Name(20, u"inner").Build());
    volume.PutRecord(21, RecordBuilder(21, kDirectory).Standard().Name(22, u"ping").Build());
    volume.PutRecord(22, RecordBuilder(22, kDirectory).Standard().Name(21, u"pong").Build());
    volume.PutRecord(30, RecordBuilder(30).Standard().Name(40, u"one.txt").Build());
    volume.PutRecord(31, RecordBuilder(31).Standard().Name(40, u"two.txt").Build());
    volume.PutRecord(32, RecordBuilder(32, kDirectory).Standard().Name(41, u"folder").Build());
    volume.PutRecord(33, RecordBuilder(33).Standard().Name(32, u"inside.txt").Build());
    // A directory record that does not end soundly is no parent: its child is lost too.
    volume.PutRecord(34, RecordBuilder(34, kDirectory).Standard().Name(5, u"broken").WithoutEndMarker().Build());
    volume.PutRecord(35, RecordBuilder(35).Standard().Name(34, u"orphan.txt").Build());
    const auto scan = Scan();
    EXPECT_EQ(test::ChildNamesOf(scan->Root(RootIndex::Root)), (Names{"top"}));
    At(*scan, RootIndex::Root, "top/inner");
    EXPECT_LE(test::CountNodes(scan->Root(RootIndex::Root)), 3u);

    const ScanNode& scanned = scan->Root(RootIndex::Scanned);
    EXPECT_EQ(test::ChildNamesOf(scanned), (Names{"Dir_1", "Dir_2", "Dir_3", "Dir_4"}));
    EXPECT_EQ(test::ChildNamesOf(At(*scan, RootIndex::Scanned, "Dir_1")), (Names{"one.txt", "two.txt"}));
    EXPECT_EQ(test::ChildNamesOf(At(*scan, RootIndex::Scanned, "Dir_2/folder")), (Names{"inside.txt"}));
    EXPECT_EQ(test::ChildNamesOf(At(*scan, RootIndex::Scanned, "Dir_3")), (Names{"orphan.txt"}));
    // The two directories that only name each other are not lost either.
    EXPECT_EQ(test::ChildNamesOf(At(*scan, RootIndex::Scanned, "Dir_4")), (Names{"ping"}));
    At(*scan, RootIndex::Scanned, "Dir_4/ping/pong");
}

TEST_F(NtfsTreeTest, LostSystemRecordsGoToTheLostFilesFolderAndFreeOnesOnlyInDeletedFileMode) {
    volume.PutRecord(3, RecordBuilder(3).Standard(0x6).Name(50, u"$Volume").Build());
    volume.PutRecord(20, RecordBuilder(20, 0).Standard().Name(40, u"freed.txt").Build());
    const auto deleted = Scan();
    const std::string lostFiles = ToUtf8(Text16(StringId::LostFiles));
    EXPECT_EQ(test::ChildNamesOf(deleted->Root(RootIndex::Scanned)), (Names{"Dir_1", lostFiles}));
    EXPECT_EQ(test::ChildNamesOf(At(*deleted, RootIndex::Scanned, lostFiles)), (Names{"$Volume"}));

    test::ScanSetup formatted;
    formatted.mode = kModeFormattedVolume;
    EXPECT_EQ(test::ChildNamesOf(Scan(formatted)->Root(RootIndex::Scanned)), (Names{"$Volume"}));
}

TEST_F(NtfsTreeTest, AttributeListsLeadToTheDataInExtensionRecords) {
    Bytes expected = Fill({50, 51, 60, 61, 62});
    Fill({70});
    const std::uint64_t size = 5 * 4096 - 100;
    expected.resize(size);
    const std::vector<Bytes> entries{ListEntry(0x10, 20), ListEntry(0x30, 20), ListEntry(0x80, 21, 0),
                                     ListEntry(0x80, 23, 0, u"ads"), ListEntry(0x80, 22, 2)};
    volume.PutRecord(20, RecordBuilder(20).Standard().ResidentList(entries).Name(5, u"spread.bin").Build());
    volume.PutRecord(21, RecordBuilder(21).NonResidentData(OneRun(2, 50), size, 0).Build());
    volume.PutRecord(22, RecordBuilder(22).NonResidentData(OneRun(3, 60), size, 2).Build());
    // A named stream held in an extension record: a node of its own, never the file's data.
    const Bytes ads(200, 0xAD);
    volume.PutRecord(23, RecordBuilder(23).ResidentData(ads, u"ads").Build());
    // The same list kept in a cluster of its own.
    const Bytes list = test::Joined(entries);
    std::copy(list.begin(), list.end(), volume.Cluster(80).begin());
    volume.PutRecord(24, RecordBuilder(24).Standard().NonResidentList(OneRun(1, 80), list.size()).Name(5, u"listed.bin").Build());
    // Data held in an extension record.
    const Bytes small(300, 0x3C);
    volume.PutRecord(25, RecordBuilder(25).Standard().ResidentList({ListEntry(0x10, 25), ListEntry(0x30, 25), ListEntry(0x80, 26)})
                             .Name(5, u"small.bin").Build());
    volume.PutRecord(26, RecordBuilder(26).ResidentData(small).Build());

    const auto scan = Scan();
    for (const char* name : {"spread.bin", "listed.bin"}) {
        const ScanNode& file = At(*scan, RootIndex::Root, name);
        EXPECT_TRUE(file.Has(kFlagAttributeList)) << name;
        EXPECT_EQ(test::ReadNodeBytes(*scan->scanner, file), expected) << name;
        const ScanNode& stream = At(*scan, RootIndex::Root, std::string(name) + ":ads");
        EXPECT_TRUE(stream.Has(kFlagStream) && stream.Has(kFlagInRecord)) << name;
        EXPECT_EQ(test::ReadNodeBytes(*scan->scanner, stream), ads) << name;
    }
    const ScanNode& smallFile = At(*scan, RootIndex::Root, "small.bin");
    EXPECT_TRUE(smallFile.Has(kFlagInRecord));
    EXPECT_EQ(test::ReadNodeBytes(*scan->scanner, smallFile), small);
}

TEST_F(NtfsTreeTest, NameHeldInAnExtensionRecordNamesItsBaseRecord) {
    volume.PutRecord(20, RecordBuilder(20, kDirectory).Standard().ResidentList({ListEntry(0x10, 20), ListEntry(0x30, 21)}).Build());
    Bytes extension = RecordBuilder(21).Name(5, u"Photos").Build();
    extension[0x20] = 20;  // its base record
    volume.PutRecord(21, extension);
    volume.PutRecord(22, RecordBuilder(22).Standard().Name(20, u"beach.jpg").Build());
    const auto scan = Scan();
    EXPECT_EQ(test::ChildNamesOf(scan->Root(RootIndex::Root)), (Names{"Photos"}));
    EXPECT_EQ(At(*scan, RootIndex::Root, "Photos").recordNumber, 20u);
    At(*scan, RootIndex::Root, "Photos/beach.jpg");
    EXPECT_TRUE(scan->Root(RootIndex::Scanned).children.empty());
}

TEST_F(NtfsTreeTest, SparseRunsReadAsZerosAndLostRunsAreGuessedFromTheFirstCluster) {
    const Bytes first = Fill({50});
    const Bytes last = Fill({60});
    Bytes contiguous = Fill({50, 51, 52});
    // One stored cluster, a hole of two, one stored cluster ten further on.
    volume.PutRecord(20, RecordBuilder(20).Standard(0x200).Name(5, u"sparse.bin")
                             .NonResidentData({0x11, 0x01, 50, 0x01, 0x02, 0x11, 0x01, 10, 0x00}, 4 * 4096).Build());
    // A deleted file whose run list was cut short: three clusters from where it began.
    volume.PutRecord(21, RecordBuilder(21, 0).Standard().Name(5, u"guessed.bin").NonResidentData(OneRun(1, 50), 3 * 4096 - 5).Build());
    const auto scan = Scan();

    Bytes sparse = first;
    sparse.resize(3 * 4096, 0);
    sparse.insert(sparse.end(), last.begin(), last.end());
    EXPECT_EQ(test::ReadNodeBytes(*scan->scanner, At(*scan, RootIndex::Root, "sparse.bin")), sparse);
    const ScanNode& guessed = At(*scan, RootIndex::Deleted, "guessed.bin");
    contiguous.resize(3 * 4096 - 5);
    EXPECT_EQ(test::ReadNodeBytes(*scan->scanner, guessed), contiguous);
    EXPECT_TRUE(guessed.Has(kFlagGuessedExtent));
}

TEST_F(NtfsTreeTest, MftIsFoundThroughTheMirrorOrAShiftedRecordZero) {
    volume.PutRecord(20, RecordBuilder(20).Standard().Name(5, u"found.txt").Build());
    // A record whose header lost its first-attribute offset is read from the usual place.
    volume.PutRecord(21, RecordBuilder(21).Standard().Name(5, u"no-offset.txt").FirstAttributeAt(0).Build());
    const Bytes recordZero(volume.Record(0).begin(), volume.Record(0).end());
    volume.PutRecord(0, Bytes(1024, 0));
    EXPECT_EQ(test::ChildNamesOf(Scan()->Root(RootIndex::Root)), (Names{"found.txt", "no-offset.txt"}));

    Bytes shifted(0x20, 0);
    shifted.insert(shifted.end(), recordZero.begin(), recordZero.end() - 0x20);
    volume.PutRecord(0, shifted);
    std::ranges::fill(volume.Cluster(test::SyntheticVolume::kMirrorCluster), 0);
    EXPECT_EQ(test::ChildNamesOf(Scan()->Root(RootIndex::Root)), (Names{"found.txt", "no-offset.txt"}));

    // No record 0 anywhere and no MFT where formatters put one: nothing to show.
    volume.PutRecord(0, Bytes(1024, 0));
    const auto none = Scan();
    ASSERT_NE(none->scanner, nullptr);
    for (const ScanNode& root : none->scanner->roots.roots) EXPECT_TRUE(root.children.empty());
}

TEST_F(NtfsTreeTest, FilesOfAnExtensionGiveTheirFirstDataSectors) {
    volume.PutRecord(20, RecordBuilder(20, kDirectory).Standard().Name(5, u"Pictures").Build());
    volume.PutRecord(21, RecordBuilder(21).Standard().Name(20, u"photo.JPG").NonResidentData(OneRun(2, 50), 8000).Build());
    volume.PutRecord(22, RecordBuilder(22).Standard().Name(5, u"small.jpg").ResidentData(Bytes(10, 1)).Build());
    volume.PutRecord(23, RecordBuilder(23).Standard().Name(5, u"notes.txt").NonResidentData(OneRun(1, 60), 100).Build());
    const auto scan = Scan();
    SectorMap found;
    const std::atomic<std::uint32_t> running{0};
    scan->scanner->MarkMatchingFiles(scan->Root(RootIndex::Root), found, u"JPG", running);
    EXPECT_EQ(found, (SectorMap{{50 * test::SyntheticVolume::kSectorsPerCluster, 0}}));
}

TEST_F(NtfsTreeTest, VolumesThatCannotBeReadEndWithoutResults) {
    // Sectors of 4096 bytes, in the boot sector and its copy.
    volume.BootSector()[0x0C] = 0x10;
    std::copy_n(volume.BootSector().begin(), 512, volume.Bytes().end() - 512);
    volume.PutRecord(20, RecordBuilder(20).Standard().Name(5, u"file.txt").Build());
    EXPECT_TRUE(Scan()->Root(RootIndex::Root).children.empty());
    volume.BootSector()[0x0C] = 0x02;

    // An MFT that claims four billion clusters: no table is made for it.
    volume.PutRecord(0, RecordBuilder(0).Standard(0x6).Name(5, u"$MFT", 3).NonResidentData({0x14, 0xFF, 0xFF, 0xFF, 0xFF, 16}, 4096).Build());
    const auto huge = Scan();
    EXPECT_TRUE(huge->Root(RootIndex::Root).children.empty());
    EXPECT_EQ(huge->scanner->MftRuns().size(), 1u);
}

}  // namespace
}  // namespace tundrel
