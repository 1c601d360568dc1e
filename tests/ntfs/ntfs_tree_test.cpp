// Scans of a real NTFS volume given crafted records in its free MFT slots and clusters: how
// records become the result tree, where data held in other records is found, and what damaged
// tables cost. The volume's own files stay, so results are looked for by the names made here.

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
        return std::make_unique<test::NtfsImageScan>(volume.Write(), setup);
    }

    // The directory's children that bear one of `made`, in the directory's order.
    static Names Among(const ScanNode& directory, const Names& made) {
        Names names = test::ChildNamesOf(directory);
        std::erase_if(names, [&](const std::string& name) { return std::ranges::find(made, name) == made.end(); });
        return names;
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

    test::TempDir dir;
    // Records 30 to 60 and clusters 50 to 80, which the tests use, are free in the image.
    test::PatchedNtfsVolume volume{dir.Path()};
};

TEST_F(NtfsTreeTest, DirectoryListedUnderSeveralNamesHasItsChildrenOnce) {
    // Ten levels of directories, each with two names in the one above: copied naively the
    // tree would hold 2^10 paths to the file at the bottom.
    for (std::uint32_t record = 30, parent = 5; record < 40; parent = record++) {
        const std::u16string level = u"level" + ToUtf16(std::to_string(record));
        volume.PutRecord(record, RecordBuilder(record, kDirectory).Standard().Name(parent, level + u"a").Name(parent, level + u"b").Build());
    }
    volume.PutRecord(40, RecordBuilder(40).Standard().Name(39, u"bottom.txt").Build());
    const auto scan = Scan();
    EXPECT_EQ(test::CountNodes(At(*scan, RootIndex::Root, "level30a")), 2u * 9 + 1);
    EXPECT_EQ(At(*scan, RootIndex::Root, "level30a").children.size(), 2u);
    EXPECT_TRUE(At(*scan, RootIndex::Root, "level30b").children.empty());
    At(*scan, RootIndex::Root, "level30a/level31a/level32a/level33a/level34a/level35a/level36a/level37a/level38a/level39a/bottom.txt");
}

TEST_F(NtfsTreeTest, NamesThatSortAlikeKeepTheOrderTheyWereMetIn) {
    // Records in number order, and a record's earlier name before its last one: that order
    // tells "twin" from "twin#2" in node addresses.
    volume.PutRecord(31, RecordBuilder(31).Standard().Name(5, u"TWIN").Build());
    volume.PutRecord(30, RecordBuilder(30).Standard().Name(5, u"Twin").Name(5, u"twin").Build());
    volume.PutRecord(32, RecordBuilder(32).Standard().Name(5, u"tWIN").Name(5, u"TWIn").Build());
    const Names twins{"Twin", "twin", "TWIN", "tWIN", "TWIn"};
    EXPECT_EQ(Among(Scan()->Root(RootIndex::Root), twins), twins);
}

TEST_F(NtfsTreeTest, LoopsEndAndRecordsOutOfReachAreFiledByTheParentTheyName) {
    volume.PutRecord(30, RecordBuilder(30, kDirectory).Standard().Name(5, u"top").Name(34, u"again").Build());
    volume.PutRecord(34, RecordBuilder(34, kDirectory).Standard().Name(30, u"inner").Build());
    volume.PutRecord(31, RecordBuilder(31, kDirectory).Standard().Name(32, u"ping").Build());
    volume.PutRecord(32, RecordBuilder(32, kDirectory).Standard().Name(31, u"pong").Build());
    volume.PutRecord(40, RecordBuilder(40).Standard().Name(50, u"one.txt").Build());
    volume.PutRecord(41, RecordBuilder(41).Standard().Name(50, u"two.txt").Build());
    volume.PutRecord(42, RecordBuilder(42, kDirectory).Standard().Name(51, u"folder").Build());
    volume.PutRecord(43, RecordBuilder(43).Standard().Name(42, u"inside.txt").Build());
    // A directory record that does not end soundly is no parent: its child is lost too.
    volume.PutRecord(44, RecordBuilder(44, kDirectory).Standard().Name(5, u"broken").WithoutEndMarker().Build());
    volume.PutRecord(45, RecordBuilder(45).Standard().Name(44, u"orphan.txt").Build());
    const auto scan = Scan();
    const Names made{"top", "again", "inner", "ping", "pong", "one.txt", "two.txt", "folder", "inside.txt", "broken", "orphan.txt"};
    EXPECT_EQ(Among(scan->Root(RootIndex::Root), made), (Names{"top"}));
    At(*scan, RootIndex::Root, "top/inner");
    EXPECT_LE(test::CountNodes(At(*scan, RootIndex::Root, "top")), 2u);

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
    // The image's own $Volume record, replaced by one that names a parent out of reach.
    std::ranges::copy(RecordBuilder(3).Standard(0x6).Name(60, u"$Volume").Build(), volume.Record(3).begin());
    volume.PutRecord(30, RecordBuilder(30, 0).Standard().Name(50, u"freed.txt").Build());
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
    const std::vector<Bytes> entries{ListEntry(0x10, 30), ListEntry(0x30, 30), ListEntry(0x80, 31, 0),
                                     ListEntry(0x80, 33, 0, u"ads"), ListEntry(0x80, 32, 2)};
    volume.PutRecord(30, RecordBuilder(30).Standard().ResidentList(entries).Name(5, u"spread.bin").Build());
    volume.PutRecord(31, RecordBuilder(31).NonResidentData(OneRun(2, 50), size, 0).Build());
    volume.PutRecord(32, RecordBuilder(32).NonResidentData(OneRun(3, 60), size, 2).Build());
    // A named stream held in an extension record: a node of its own, never the file's data.
    const Bytes ads(200, 0xAD);
    volume.PutRecord(33, RecordBuilder(33).ResidentData(ads, u"ads").Build());
    // The same list kept in a cluster of its own.
    const Bytes list = test::Joined(entries);
    std::ranges::copy(list, volume.Cluster(80).begin());
    volume.PutRecord(34, RecordBuilder(34).Standard().NonResidentList(OneRun(1, 80), list.size()).Name(5, u"listed.bin").Build());
    // Data held in an extension record.
    const Bytes small(300, 0x3C);
    volume.PutRecord(35, RecordBuilder(35).Standard().ResidentList({ListEntry(0x10, 35), ListEntry(0x30, 35), ListEntry(0x80, 36)})
                             .Name(5, u"small.bin").Build());
    volume.PutRecord(36, RecordBuilder(36).ResidentData(small).Build());

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
    volume.PutRecord(30, RecordBuilder(30, kDirectory).Standard().ResidentList({ListEntry(0x10, 30), ListEntry(0x30, 31)}).Build());
    Bytes extension = RecordBuilder(31).Name(5, u"Photos").Build();
    extension[0x20] = 30;  // its base record
    volume.PutRecord(31, extension);
    volume.PutRecord(32, RecordBuilder(32).Standard().Name(30, u"beach.jpg").Build());
    const auto scan = Scan();
    EXPECT_EQ(Among(scan->Root(RootIndex::Root), {"Photos", "beach.jpg"}), (Names{"Photos"}));
    EXPECT_EQ(At(*scan, RootIndex::Root, "Photos").recordNumber, 30u);
    At(*scan, RootIndex::Root, "Photos/beach.jpg");
    EXPECT_TRUE(scan->Root(RootIndex::Scanned).children.empty());
}

TEST_F(NtfsTreeTest, SparseRunsReadAsZerosAndLostRunsAreGuessedFromTheFirstCluster) {
    const Bytes first = Fill({50});
    const Bytes last = Fill({60});
    Bytes contiguous = Fill({50, 51, 52});
    // One stored cluster, a hole of two, one stored cluster ten further on.
    volume.PutRecord(30, RecordBuilder(30).Standard(0x200).Name(5, u"sparse.bin")
                             .NonResidentData({0x11, 0x01, 50, 0x01, 0x02, 0x11, 0x01, 10, 0x00}, 4 * 4096).Build());
    // A deleted file whose run list was cut short: three clusters from where it began.
    volume.PutRecord(31, RecordBuilder(31, 0).Standard().Name(5, u"guessed.bin").NonResidentData(OneRun(1, 50), 3 * 4096 - 5).Build());
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
    volume.PutRecord(30, RecordBuilder(30).Standard().Name(5, u"found.txt").Build());
    // A record whose header lost its first-attribute offset is read from the usual place.
    volume.PutRecord(31, RecordBuilder(31).Standard().Name(5, u"no-offset.txt").FirstAttributeAt(0).Build());
    // The image's own file is found as well.
    const Names found{"found.txt", "intact.txt", "no-offset.txt"};
    const Bytes recordZero(volume.Record(0).begin(), volume.Record(0).end());
    std::ranges::fill(volume.Record(0), 0);
    EXPECT_EQ(Among(Scan()->Root(RootIndex::Root), found), found);

    Bytes shifted(0x20, 0);
    shifted.insert(shifted.end(), recordZero.begin(), recordZero.end() - 0x20);
    std::ranges::copy(shifted, volume.Record(0).begin());
    std::ranges::fill(volume.MirrorCluster(), 0);
    EXPECT_EQ(Among(Scan()->Root(RootIndex::Root), found), found);

    // No record 0 anywhere and no MFT where formatters put one: nothing to show.
    std::ranges::fill(volume.Record(0), 0);
    const auto none = Scan();
    ASSERT_NE(none->scanner, nullptr);
    for (const ScanNode& root : none->scanner->roots.roots) EXPECT_TRUE(root.children.empty());
}

TEST_F(NtfsTreeTest, FilesOfAnExtensionGiveTheirFirstDataSectors) {
    volume.PutRecord(30, RecordBuilder(30, kDirectory).Standard().Name(5, u"Pictures").Build());
    volume.PutRecord(31, RecordBuilder(31).Standard().Name(30, u"photo.JPG").NonResidentData(OneRun(2, 50), 8000).Build());
    volume.PutRecord(32, RecordBuilder(32).Standard().Name(5, u"small.jpg").ResidentData(Bytes(10, 1)).Build());
    volume.PutRecord(33, RecordBuilder(33).Standard().Name(5, u"notes.txt").NonResidentData(OneRun(1, 60), 100).Build());
    const auto scan = Scan();
    SectorMap found;
    const std::atomic<std::uint32_t> running{0};
    scan->scanner->MarkMatchingFiles(scan->Root(RootIndex::Root), found, u"JPG", running);
    EXPECT_EQ(found, (SectorMap{{50 * volume.SectorsPerCluster(), 0}}));
}

TEST_F(NtfsTreeTest, VolumesThatCannotBeReadEndWithoutResults) {
    // Sectors of 4096 bytes, in the boot sector and its copy.
    for (const auto boot : {volume.BootSector(), volume.BackupBootSector()}) boot[0x0C] = 0x10;
    volume.PutRecord(30, RecordBuilder(30).Standard().Name(5, u"file.txt").Build());
    EXPECT_TRUE(Scan()->Root(RootIndex::Root).children.empty());
    volume.BootSector()[0x0C] = 0x02;

    // An MFT that claims four billion clusters: no table is made for it.
    const auto mftCluster = static_cast<std::uint8_t>(volume.MftCluster());
    std::ranges::copy(RecordBuilder(0).Standard(0x6).Name(5, u"$MFT", 3).NonResidentData({0x14, 0xFF, 0xFF, 0xFF, 0xFF, mftCluster}, 4096).Build(),
                      volume.Record(0).begin());
    const auto huge = Scan();
    EXPECT_TRUE(huge->Root(RootIndex::Root).children.empty());
    EXPECT_EQ(huge->scanner->MftRuns().size(), 1u);
}

}  // namespace
}  // namespace tundrel
