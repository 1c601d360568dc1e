// Scans of the committed exFAT images and of damaged copies, checked against the manifests
// and the command line over them.

#include <gtest/gtest.h>

#include <map>
#include <random>

#include "exfat/exfat_test_support.h"
#include "md5.h"
#include "support/text.h"
#include "test_support.h"

namespace tundrel {
namespace {

using test::ExFatScan;
using test::FindPath;

// The bare image: heap at sector 4096, 4 KiB clusters, root directory in cluster 5.
constexpr std::uint64_t kHeap = 4096;
std::uint64_t ClusterSector(std::uint32_t cluster) { return kHeap + (cluster - 2) * 8; }
std::size_t ClusterOffset(std::uint32_t cluster) { return ClusterSector(cluster) * 512; }

class ExFatScanTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const auto& file : test::ManifestFiles("exfat")) md5Of[file.path] = file.md5;
        ASSERT_GE(md5Of.size(), 28u);
    }
    // Scans a copy of the image damaged by `damage`.
    ExFatScan& ScanDamaged(const std::function<void(std::vector<std::uint8_t>&)>& damage) {
        auto bytes = test::ImageBytes("exfat");
        damage(bytes);
        test::WriteBinaryFile(dir / "damaged.img", bytes);
        damaged = std::make_unique<ExFatScan>(dir / "damaged.img");
        EXPECT_NE(damaged->scanner, nullptr);
        return *damaged;
    }
    // Whether the live file reads back as the manifest holds it.
    bool ReadsBack(ExFatScan& scan, const std::string& path) {
        const ScanNode* node = FindPath(scan.Root(RootIndex::Root), path);
        const auto data = node != nullptr ? test::ReadNodeBytes(*scan.scanner, *node) : std::nullopt;
        return data && test::Md5Hex(*data) == md5Of[path];
    }
    // The root's stream entry that names `cluster`, patched by `patch`.
    static void PatchStreamOf(std::vector<std::uint8_t>& bytes, std::uint32_t cluster,
                              const std::function<void(std::uint8_t*)>& patch) {
        for (std::size_t at = ClusterOffset(5); at < ClusterOffset(6); at += 32) {
            if ((bytes[at] | 0x80) == 0xC0 && bytes[at + 20] == cluster && bytes[at + 21] == 0) patch(&bytes[at]);
        }
    }

    std::filesystem::path image = test::TestImage("exfat");
    std::map<std::string, std::string> md5Of;
    test::TempDir dir;
    std::unique_ptr<ExFatScan> damaged;
};

TEST_F(ExFatScanTest, ReusedFirstClustersAreMarked) {
    ExFatScan scan(image);
    // part-b.txt's first cluster went to the fragmented file; deleted.txt's is free.
    EXPECT_TRUE(FindPath(scan.Root(RootIndex::Deleted), "Frag/part-b.txt")->Has(kFlagOverwritten));
    EXPECT_FALSE(FindPath(scan.Root(RootIndex::Deleted), "deleted.txt")->Has(kFlagOverwritten));
}

TEST_F(ExFatScanTest, DeletedFoldersAreReadInTheDeletedFileModeOnly) {
    ExFatScan deletedMode(image, {.mode = kModeDeletedFiles});
    ExFatScan formattedMode(image, {.mode = kModeFormattedVolume});
    EXPECT_EQ(FindPath(deletedMode.Root(RootIndex::Deleted), "Old Folder")->children.size(), 3u);
    EXPECT_NE(FindPath(deletedMode.Root(RootIndex::Deleted), "Old Folder/Sub/c.txt"), nullptr);
    const ScanNode* folder = FindPath(formattedMode.Root(RootIndex::Deleted), "Old Folder");
    ASSERT_NE(folder, nullptr);
    EXPECT_TRUE(folder->IsDirectory() && folder->children.empty());
    EXPECT_NE(FindPath(formattedMode.Root(RootIndex::Deleted), "Docs/Work/old.txt"), nullptr);
}

TEST_F(ExFatScanTest, AFolderNoEntryNamesIsFoundInFreeClustersUnderTheScannedRoot) {
    // Erase the root's file entry of "Old Folder" (its set begins two entries before the
    // stream entry that names cluster 75).
    ExFatScan& scan = ScanDamaged([](auto& bytes) { PatchStreamOf(bytes, 75, [](std::uint8_t* e) { e[-32] = 0; }); });
    EXPECT_EQ(FindPath(scan.Root(RootIndex::Deleted), "Old Folder"), nullptr);
    ASSERT_EQ(scan.Root(RootIndex::Scanned).children.size(), 1u);
    const ScanNode& lost = scan.Root(RootIndex::Scanned).children[0];
    EXPECT_EQ(ToUtf8(lost.name), "Dir_75");
    EXPECT_NE(FindPath(lost, "a.txt"), nullptr);
    const auto data = test::ReadNodeBytes(*scan.scanner, *FindPath(lost, "Sub/c.txt"));
    EXPECT_EQ(test::Md5Hex(data.value()), md5Of["Old Folder/Sub/c.txt"]);
}

TEST_F(ExFatScanTest, FilesOfATypeAreMarkedAtTheirFirstSectors) {
    ExFatScan bare(image);
    SectorMap sectors;
    std::atomic<std::uint32_t> stop{0};
    for (const RootIndex root : {RootIndex::Root, RootIndex::Deleted}) {
        bare.scanner->MarkMatchingFiles(bare.Root(root), sectors, u"BIN", stop);
    }
    // track01.bin (cluster 17) and the deleted track02.bin (cluster 74).
    EXPECT_EQ(sectors, (SectorMap{{ClusterSector(17), 0}, {ClusterSector(74), 0}}));
}

TEST_F(ExFatScanTest, AStopRequestEndsTheWalkAndLeavesTheProgressClean) {
    ExFatScan scan(image, {.stopRequested = true});
    EXPECT_TRUE(FindPath(scan.Root(RootIndex::Root), "Docs")->children.empty());
    EXPECT_TRUE(scan.Root(RootIndex::Scanned).children.empty());
    EXPECT_EQ(scan.progress.totalUnits.load(), 0);
    EXPECT_EQ(scan.progress.busy.load(), 0u);
}

TEST_F(ExFatScanTest, ATruncatedImageKeepsWhatIsLeftAndRunsEndWithIt) {
    // The image ends inside the fragmented file's second run (clusters 58 to 69).
    ExFatScan& scan = ScanDamaged([](auto& bytes) { bytes.resize(ClusterOffset(62)); });
    EXPECT_TRUE(ReadsBack(scan, "Music/Album/liner-notes.txt"));
    ExtentList extents;
    ASSERT_TRUE(scan.scanner->BuildExtents(*FindPath(scan.Root(RootIndex::Root), "Docs/fragmented.txt"), extents));
    ASSERT_EQ(extents.size(), 2u);
    EXPECT_EQ(extents[1].startSector + extents[1].sectorCount, ClusterSector(62));
    EXPECT_FALSE(scan.scanner->BuildExtents(*FindPath(scan.Root(RootIndex::Deleted), "deleted.txt"), extents));
}

TEST_F(ExFatScanTest, AZeroedTableOrGarbageBitmapOrDirectoriesStillEndNormally) {
    ExFatScan& zeroedTable = ScanDamaged([](auto& bytes) { std::fill_n(bytes.begin() + 2048 * 512, 32 * 512, 0); });
    EXPECT_TRUE(ReadsBack(zeroedTable, "Docs/Work/2024/plan.txt"));
    ExtentList extents;
    ASSERT_TRUE(zeroedTable.scanner->BuildExtents(*FindPath(zeroedTable.Root(RootIndex::Root), "Docs/fragmented.txt"), extents));
    EXPECT_EQ(extents.size(), 1u);  // the chain ends at once; the size is taken as following on

    // Every cluster in use: every deleted file with data is overwritten, no free cluster left.
    ExFatScan& fullBitmap = ScanDamaged([](auto& bytes) { std::fill_n(bytes.begin() + ClusterOffset(2), 4096, 0xFF); });
    EXPECT_TRUE(FindPath(fullBitmap.Root(RootIndex::Deleted), "deleted.txt")->Has(kFlagOverwritten));
    EXPECT_TRUE(ReadsBack(fullBitmap, "readme.txt"));

    // Noise in the clusters of the seven live folders: they list nothing, the rest stays.
    std::mt19937 random(11);
    ExFatScan& noise = ScanDamaged([&](auto& bytes) {
        for (std::size_t i = ClusterOffset(2); i < ClusterOffset(3); ++i) bytes[i] = static_cast<std::uint8_t>(random());
        for (std::size_t i = ClusterOffset(6); i < ClusterOffset(13); ++i) bytes[i] = static_cast<std::uint8_t>(random());
    });
    EXPECT_TRUE(FindPath(noise.Root(RootIndex::Root), "Docs")->children.empty());
    EXPECT_TRUE(ReadsBack(noise, "readme.txt"));
    EXPECT_NE(FindPath(noise.Root(RootIndex::Deleted), "Old Folder/b.txt"), nullptr);
}

TEST_F(ExFatScanTest, SizesFromTheDiskAreBoundedAndClustersBelowTwoHoldNoData) {
    ExFatScan& scan = ScanDamaged([](auto& bytes) {
        std::fill_n(bytes.begin() + 84, 4, 0xFF);  // table length
        std::fill_n(bytes.begin() + 92, 4, 0xFF);  // cluster count
        for (std::size_t at = ClusterOffset(5); at < ClusterOffset(6); at += 32) {
            if (bytes[at] == 0x81) std::fill_n(bytes.begin() + at + 24, 7, 0xFF);  // bitmap length
        }
        PatchStreamOf(bytes, 75, [](std::uint8_t* e) { e[31] = 0x40; });  // the deleted folder's length
    });
    EXPECT_TRUE(ReadsBack(scan, "Music/Album/liner-notes.txt"));
    EXPECT_FALSE(FindPath(scan.Root(RootIndex::Deleted), "deleted.txt")->Has(kFlagOverwritten));
    EXPECT_NE(FindPath(scan.Root(RootIndex::Deleted), "Old Folder/a.txt"), nullptr);

    ScanNode node = *FindPath(scan.Root(RootIndex::Root), "readme.txt");
    ExtentList extents;
    for (const std::uint32_t flags : {0u, std::uint32_t{kFlagNoChain}, std::uint32_t{kFlagDeleted}}) {
        for (node.location = 0; node.location < 2; ++node.location) {
            node.flags = flags;
            EXPECT_FALSE(scan.scanner->BuildExtents(node, extents));
        }
    }
}

TEST_F(ExFatScanTest, ADeletedFolderDoesNotTakeTheEntriesOfTheLiveFolderNowInItsCluster) {
    // "Old Folder" sorts before "日本語フォルダ" (cluster 11) and now names its cluster.
    ExFatScan& scan = ScanDamaged([](auto& bytes) { PatchStreamOf(bytes, 75, [](std::uint8_t* e) { e[20] = 11; }); });
    EXPECT_TRUE(ReadsBack(scan, "日本語フォルダ/メモ.txt"));
    EXPECT_TRUE(FindPath(scan.Root(RootIndex::Deleted), "Old Folder")->children.empty());
}

TEST_F(ExFatScanTest, AVolumeWhereSectorNumbersRunOutIsNeverReadWrappedAround) {
    // The heap begins 104 sectors before the last 32-bit sector number: clusters 2 to 14 lie
    // below it, the rest beyond any 32-bit sector.
    constexpr std::uint64_t kStart = (std::uint64_t{1} << 32) - 4200;
    const std::vector<std::uint8_t> bytes = test::ImageBytes("exfat");
    std::vector<std::uint64_t> reads;
    test::ScanSetup setup{.volumeStart = static_cast<std::uint32_t>(kStart), .volumeSectors = 32768};
    setup.opener = [&](const std::string&, int&) -> std::unique_ptr<platform::Device> {
        return std::make_unique<test::MemoryDevice>(bytes, kStart * 512, kStart * 512 + bytes.size(), &reads);
    };
    ExFatScan scan("memory/disk.img", setup);
    EXPECT_TRUE(ReadsBack(scan, "readme.txt"));  // cluster 13
    ExtentList extents;
    EXPECT_FALSE(scan.scanner->BuildExtents(*FindPath(scan.Root(RootIndex::Root), "emoji 😀 name.txt"), extents));
    ASSERT_FALSE(reads.empty());
    EXPECT_GE(*std::min_element(reads.begin(), reads.end()), kStart * 512);
}

// The manifest's MD5 of a file whose valid data length was patched below its size is of zeros
// past that length.
TEST(ExFat512Test, OneSectorClustersReadBackAndZerosPastTheValidDataLength) {
    const auto image = test::TestImage("exfat-512");
    ExFatScan scan(image);
    ASSERT_NE(scan.scanner, nullptr);
    int files = 0;
    for (const auto& file : test::ManifestFiles("exfat-512")) {
        if (file.isDirectory || (file.deleted && !file.reusable)) continue;
        const ScanNode* node = FindPath(scan.Root(file.deleted ? RootIndex::Deleted : RootIndex::Root), file.path);
        // A deleted folder whose entry is gone from its parent is found among the scanned ones.
        for (const ScanNode& found : scan.Root(RootIndex::Scanned).children) {
            if (node == nullptr && file.deleted) node = FindPath(found, file.path);
        }
        ASSERT_NE(node, nullptr) << file.path;
        const auto bytes = test::ReadNodeBytes(*scan.scanner, *node);
        ASSERT_TRUE(bytes) << file.path;
        EXPECT_EQ(test::Md5Hex(*bytes), file.md5) << file.path;
        ++files;
    }
    EXPECT_EQ(files, 7);
}

}  // namespace
}  // namespace tundrel
