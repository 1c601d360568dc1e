// The FAT scanner on volumes built entry by entry: the walk, the extents of live and deleted
// files, the deleted-directory expansion and the scanner's other slots.

#include <gtest/gtest.h>

#include <limits>

#include "fat_test_support.h"

namespace tundrel {
namespace {

using test::FatKind;
using test::FatVolumeBuilder;
using test::FindPath;
using test::ImageScan;
using test::PutEntry;

constexpr std::uint8_t kDirectory = 0x10;

class FatScannerTest : public ::testing::Test {
protected:
    std::unique_ptr<ImageScan> Scan(FatVolumeBuilder& volume, test::ScanSetup setup = {}) {
        auto scan = std::make_unique<ImageScan>(volume.Write(dir / "volume.img"), setup);
        EXPECT_NE(scan->scanner, nullptr);
        return scan;
    }
    test::TempDir dir;
};

TEST_F(FatScannerTest, ExtentsFollowChainsAndTakeDeletedFilesAsContiguous) {
    FatVolumeBuilder volume(FatKind::Fat32, 8192, 8);  // 4 KiB clusters
    PutEntry(volume.Root(), 0, {.shortName = "SHORT   BIN", .cluster = 10, .size = 5 * 4096});
    volume.Chain({10, 11, 20});  // three clusters for a size that needs five
    PutEntry(volume.Root(), 1, {.shortName = "\xE5" "ONE    BIN", .cluster = 30, .size = 10000});
    PutEntry(volume.Root(), 2, {.shortName = "LOOP    BIN", .cluster = 40, .size = 4 * 4096});
    volume.Chain({40, 41});
    volume.SetFat(41, 40);
    PutEntry(volume.Root(), 3, {.shortName = "PAST    BIN", .cluster = 50, .size = 3 * 4096});
    volume.SetFat(50, 0x0FFFFFF0);  // a next cluster far beyond the table
    const auto scan = Scan(volume);
    const std::uint64_t data = static_cast<std::uint64_t>(scan->scanner->DataAreaStart());
    auto runs = [&](RootIndex root, const char* name) {
        ExtentList extents;
        EXPECT_TRUE(scan->scanner->BuildExtents(*FindPath(scan->Root(root), name), extents)) << name;
        std::vector<std::pair<std::uint64_t, std::uint64_t>> clusters;  // first cluster, sectors
        for (const FileExtent& extent : extents) clusters.emplace_back((extent.startSector - data) / 8 + 2, extent.sectorCount);
        return clusters;
    };
    using Runs = std::vector<std::pair<std::uint64_t, std::uint64_t>>;
    EXPECT_EQ(runs(RootIndex::Root, "SHORT.BIN"), (Runs{{10, 16}, {20, 24}}));  // the last run lengthened
    EXPECT_EQ(runs(RootIndex::Deleted, "#ONE.BIN"), (Runs{{30, 24}}));          // 10,000 bytes: 3 clusters
    EXPECT_EQ(runs(RootIndex::Root, "LOOP.BIN"), (Runs{{40, 16}}));  // cut where the chain comes back
    EXPECT_EQ(runs(RootIndex::Root, "PAST.BIN"), (Runs{{50, 24}}));
}

TEST_F(FatScannerTest, ExtentsNeverStartBelowClusterTwoNorReachPastTheVolume) {
    FatVolumeBuilder volume(FatKind::Fat32, 8192, 128);
    const auto scan = Scan(volume);
    FatScanner& scanner = *scan->scanner;
    ScanNode node;
    node.size = 1000;
    ExtentList extents{FileExtent{}};
    EXPECT_FALSE(scanner.BuildExtents(node, extents));
    EXPECT_TRUE(extents.empty());
    // 128 sectors x (0x02000002 - 2) is 2^32: in 32 bits it would wrap round to cluster 2.
    node.location = 0x02000002;
    node.Set(kFlagDeleted, true);
    EXPECT_FALSE(scanner.BuildExtents(node, extents));
    EXPECT_EQ(scanner.NodeFirstSector(node), std::numeric_limits<std::uint32_t>::max());
    // A file running past the end of the volume is cut there, and its tail is unreadable.
    node.location = static_cast<std::uint32_t>(2 + (8192 - scanner.DataAreaStart()) / 128 - 1);
    node.size = 10 * 128 * 512;
    ASSERT_TRUE(scanner.BuildExtents(node, extents));
    EXPECT_EQ(extents.back().startSector + extents.back().sectorCount, 8192u);
    std::vector<std::uint8_t> tail(512);
    EXPECT_FALSE(scanner.ReadNodeData(tail, 2 * 128 * 512, node, extents));
}

TEST_F(FatScannerTest, DeletedFoldersClaimTheirClusterBeforeSystemFolders) {
    FatVolumeBuilder volume(FatKind::Fat16);
    // Both deleted folders name cluster 8; walked from the back, RECYCLER would come first.
    test::PutLongName(volume.Root(), 1, u"RECYCLER", test::ChecksumOf("RECYCLER   "), true);
    PutEntry(volume.Root(), 1, {.shortName = "\xE5" "ECYCLER   ", .attributes = kDirectory, .cluster = 8});
    test::PutLongName(volume.Root(), 3, u"Other", test::ChecksumOf("OTHER      "), true);
    PutEntry(volume.Root(), 3, {.shortName = "\xE5THER      ", .attributes = kDirectory, .cluster = 8});
    test::PutDotEntries(volume.Cluster(8), 8);
    PutEntry(volume.Cluster(8), 2, {.shortName = "KEPT    TXT", .cluster = 9, .size = 3});
    const auto scan = Scan(volume);
    EXPECT_EQ(test::NamesOf(scan->Root(RootIndex::Deleted)), (std::vector<std::u16string>{u"Other", u"RECYCLER"}));
    EXPECT_EQ(test::NamesOf(*FindPath(scan->Root(RootIndex::Deleted), "Other")), std::vector<std::u16string>{u"KEPT.TXT"});
    EXPECT_TRUE(FindPath(scan->Root(RootIndex::Deleted), "RECYCLER")->children.empty());
}

TEST_F(FatScannerTest, ChainsOfTheTreeMovedToTheDeletedRootAreNotLostChains) {
    // A live hidden system RECYCLER moves whole to the deleted root; what it owns is no lost chain.
    FatVolumeBuilder volume(FatKind::Fat32);
    PutEntry(volume.Root(), 0, {.shortName = "RECYCLER   ", .attributes = kDirectory | 0x06, .cluster = 8});
    volume.Chain({8});
    test::PutDotEntries(volume.Cluster(8), 8);
    PutEntry(volume.Cluster(8), 2, {.shortName = "DC1     TXT", .cluster = 9, .size = 700});
    volume.Chain({9, 10});
    const auto scan = Scan(volume);
    EXPECT_EQ(test::NamesOf(scan->Root(RootIndex::Deleted)), std::vector<std::u16string>{u"RECYCLER"});
    EXPECT_TRUE(scan->Root(RootIndex::Lost).children.empty());
}

TEST_F(FatScannerTest, ExpandDirectoryReadsOnDemandInTheDeletedFileModeOnly) {
    // A check-disk fragment that is really a directory: the deleted-file scan moves it to the
    // lost files and its check-disk pass expands it there.
    FatVolumeBuilder volume(FatKind::Fat16);
    PutEntry(volume.Root(), 0, {.shortName = "FILE0000CHK", .cluster = 12, .size = 512});
    volume.Chain({12});
    test::PutDotEntries(volume.Cluster(12), 12);
    PutEntry(volume.Cluster(12), 2, {.shortName = "INSIDE  TXT", .cluster = 13, .size = 1});
    for (const std::uint32_t mode : {kModeDeletedFiles, kModeFormattedVolume}) {
        const bool deletedMode = mode == kModeDeletedFiles;
        const auto scan = Scan(volume, {.mode = mode});
        ScanNode* fragment = FindPath(scan->Root(deletedMode ? RootIndex::Lost : RootIndex::Root), "FILE0000.CHK");
        ASSERT_NE(fragment, nullptr);
        ASSERT_EQ(fragment->IsDirectory(), deletedMode);
        ScanNode again = *fragment;
        again.children.clear();
        again.Set(kFlagDirectory, true);
        EXPECT_FALSE(scan->scanner->ExpandDirectory(again, 0));  // read already, or not in this mode
        if (deletedMode) {
            EXPECT_TRUE(fragment->children.at(0).Has(kFlagLostSearchMark));
        }
    }
}

TEST_F(FatScannerTest, MarkMatchingFilesAndHiddenSystemEntriesAndProgress) {
    FatVolumeBuilder volume(FatKind::Fat16, 8192, 4);
    PutEntry(volume.Root(), 0, {.shortName = "A       JPG", .cluster = 10, .size = 100});
    PutEntry(volume.Root(), 1, {.shortName = "B       JPG", .cluster = 12, .size = 100, .caseFlags = 0x10});
    PutEntry(volume.Root(), 2, {.shortName = "EMPTY   JPG", .cluster = 16});
    PutEntry(volume.Root(), 3, {.shortName = "IO      SYS", .attributes = 0x27, .cluster = 5, .size = 40});
    PutEntry(volume.Root(), 4, {.shortName = "\xE5" "ONE    TXT", .cluster = 7, .size = 700});
    // The table is FAT12 at this size: the builder's 16-bit media entries would reach into
    // entry 2 and make cluster 2 a lost chain.
    volume.SetFat(1, 0x00FF);
    for (const std::uint32_t mode : {kModeDeletedFiles, kModeFormattedVolume}) {
        const auto scan = Scan(volume, {.mode = mode});
        SectorMap found;
        const std::atomic<std::uint32_t> stop{0};
        scan->scanner->MarkMatchingFiles(scan->Root(RootIndex::Root), found, u"JPG", stop);
        const auto data = static_cast<std::uint32_t>(scan->scanner->DataAreaStart());
        EXPECT_EQ(found, (SectorMap{{data + 4 * 8, 0}, {data + 4 * 10, 0}}));
        EXPECT_EQ(test::NamesOf(scan->Root(RootIndex::Hidden)), std::vector<std::u16string>{u"IO.SYS"});
        // The deleted-file mode totals what it can recover; the others what is there.
        EXPECT_EQ(scan->progress.foundBytes.load(), mode == kModeDeletedFiles ? 700u : 240u);
        EXPECT_EQ(scan->progress.foundCount.load(), 5u);
        EXPECT_EQ(scan->progress.busy.load(), 0u);
        EXPECT_EQ(scan->progress.totalUnits.load(), 0);
    }
}

TEST_F(FatScannerTest, TheBootSectorIsReadWhenTheTaskDoesNotCarryIt) {
    FatVolumeBuilder volume(FatKind::Fat32);
    PutEntry(volume.Root(), 0, {.shortName = "LIVE    TXT", .cluster = 6, .size = 300});
    EXPECT_EQ(test::NamesOf(Scan(volume, {.passBootSector = false})->Root(RootIndex::Root)), std::vector<std::u16string>{u"LIVE.TXT"});
    // Unreadable: an empty, finished tree.
    const auto beyond = Scan(volume, {.volumeStart = 9000, .passBootSector = false});
    EXPECT_FALSE(beyond->scanner->bootLoaded);
    for (const ScanNode& root : beyond->scanner->roots.roots) EXPECT_TRUE(root.IsDirectory() && root.children.empty());
}

}  // namespace
}  // namespace tundrel
