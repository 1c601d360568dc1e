// Scans of damaged copies of the committed images: each ends normally with what it could find,
// and what it reads is right or reported unreadable, never wrong data passed off as read.

#include <gtest/gtest.h>

#include <random>

#include "disk/fs_type.h"
#include "fat/directory_entry.h"
#include "fat/fat_regions.h"
#include "fat_test_support.h"
#include "md5.h"

namespace tundrel {
namespace {

namespace fs = std::filesystem;
using test::FindPath;
using test::ImageScan;
using test::ManifestFile;

class DamagedImageTest : public ::testing::Test {
protected:
    // A fresh copy of the image, and where its regions lie.
    fs::path Copy(const std::string& name) {
        const fs::path image = test::CopyOfImage(name, dir.Path());
        regions = *ComputeFatRegions(FatBootParameters::Parse(test::ReadFileBytes(image, 0, 512)),
                                     name == "fat16" ? kFsFat16 : kFsFat32, true, fs::file_size(image) / 512);
        return image;
    }
    // Live files of the manifest that `filter` picks must read back exact; the others may be
    // missing or unreadable, but never read wrong.
    int ExpectLiveFiles(ImageScan& scan, const std::string& name, const std::function<bool(const ManifestFile&)>& intact) {
        int whole = 0;
        for (const ManifestFile& file : test::LoadManifest(name)) {
            if (file.deleted || file.isDirectory) continue;
            const ScanNode* node = FindPath(scan.Root(RootIndex::Root), file.path);
            const auto bytes = node != nullptr ? test::ReadNodeBytes(*scan.scanner, *node) : std::nullopt;
            if (intact(file)) {
                EXPECT_TRUE(bytes.has_value() && test::Md5Hex(*bytes) == file.md5) << file.path;
                ++whole;
            }
        }
        return whole;
    }
    test::TempDir dir;
    FatRegions regions;
};

TEST_F(DamagedImageTest, TruncatedImagesGiveWhatLiesBeforeTheCut) {
    for (const std::uint64_t keep : {300ull << 10, 1ull << 20, 20ull << 20, (34ull << 20) - 512}) {
        const fs::path image = Copy("fat32");
        fs::resize_file(image, keep);
        ImageScan scan(image);
        ASSERT_NE(scan.scanner, nullptr);
        const int whole = ExpectLiveFiles(scan, "fat32", [&](const ManifestFile& file) {
            return keep >= (1u << 20) && regions.ClusterSector(static_cast<std::uint32_t>(file.lastCluster)) * 512 <= keep;
        });
        EXPECT_EQ(whole > 0, keep >= (1u << 20)) << keep;
        // Data past the cut is reported unreadable, not passed off as zeros.
        const ScanNode* filler = FindPath(scan.Root(RootIndex::Root), "Filler/fill-03.bin");
        if (filler != nullptr && keep < (34ull << 20) - 512) {
            EXPECT_FALSE(test::ReadNodeBytes(*scan.scanner, *filler).has_value());
        }
    }
}

// Reads follow the second table when there are two; with both zeroed the tree and the
// contiguous files remain.
TEST_F(DamagedImageTest, ZeroedTablesLeaveTheOtherCopyOrTheContiguousFiles) {
    for (const auto& [firstZeroed, secondZeroed] : {std::pair{true, false}, std::pair{false, true}, std::pair{true, true}}) {
        const fs::path image = Copy("fat16");
        const std::uint64_t firstCopy = regions.tableStart - regions.tableSectors;
        const std::vector<std::uint8_t> zeros(regions.tableSectors * 512, 0);
        if (firstZeroed) test::PatchFile(image, firstCopy * 512, zeros);
        if (secondZeroed) test::PatchFile(image, regions.tableStart * 512, zeros);
        ImageScan scan(image);
        ASSERT_NE(scan.scanner, nullptr);
        const bool chainsGone = secondZeroed;  // clang 14 cannot capture a structured binding
        const int whole = ExpectLiveFiles(scan, "fat16", [&](const ManifestFile& f) { return !chainsGone || !f.fragmented; });
        EXPECT_GE(whole, 15) << firstZeroed << secondZeroed;
        if (!secondZeroed) continue;
        // The second copy zeroed, the fragmented file's chain is gone whatever the first says.
        for (const ManifestFile& file : test::LoadManifest("fat16")) {
            if (!file.fragmented || file.deleted) continue;
            const auto bytes = test::ReadNodeBytes(*scan.scanner, *FindPath(scan.Root(RootIndex::Root), file.path));
            EXPECT_FALSE(bytes && test::Md5Hex(*bytes) == file.md5) << file.path;
        }
    }
}

TEST_F(DamagedImageTest, ADirectoryThatLeadsBackToItsParentIsNotReadAgain) {
    const fs::path image = Copy("fat16");
    const std::uint64_t docs = regions.ClusterSector(2) * 512;  // /Docs is cluster 2
    const auto cluster = test::ReadFileBytes(image, docs, 2048);
    std::uint64_t reports = 0;
    for (std::size_t at = 0; at < cluster.size(); at += 32) {
        if (std::string_view(reinterpret_cast<const char*>(&cluster[at]), 12) == "REPORTS    \x10") reports = docs + at;
    }
    ASSERT_NE(reports, 0u);
    test::PatchFile(image, reports + 26, {2, 0});  // Reports now is Docs itself
    ImageScan scan(image);
    ScanNode* loop = FindPath(scan.Root(RootIndex::Root), "Docs/Reports");
    ASSERT_NE(loop, nullptr);
    EXPECT_TRUE(loop->children.empty());
    EXPECT_FALSE(scan.scanner->ExpandDirectory(*loop, 0));
    EXPECT_GE(ExpectLiveFiles(scan, "fat16", [](const ManifestFile& f) { return !f.path.starts_with("Docs/"); }), 10);
}

TEST_F(DamagedImageTest, RandomBytesInADirectorySpoilOnlyThatDirectory) {
    for (unsigned seed = 1; seed <= 20; ++seed) {
        const fs::path image = Copy("fat16");
        std::mt19937 random(seed);
        std::vector<std::uint8_t> noise(2048 - 64);
        for (auto& b : noise) b = static_cast<std::uint8_t>(random());
        test::PatchFile(image, regions.ClusterSector(2) * 512 + 64, noise);  // /Docs, after its dot entries
        ImageScan scan(image, {.mode = seed % 2 == 0 ? kModeDeletedFiles : kModeFormattedVolume});
        ASSERT_NE(scan.scanner, nullptr);
        EXPECT_GE(ExpectLiveFiles(scan, "fat16", [](const ManifestFile& f) { return !f.path.starts_with("Docs/"); }), 10);
    }
}

TEST_F(DamagedImageTest, SizesFromTheBootSectorAreBoundedByTheVolume) {
    const fs::path hugeTable = Copy("fat32");
    test::PatchFile(hugeTable, 36, {0xFF, 0xFF, 0xFF, 0xFF});  // a FAT of 2 TiB
    ImageScan hugeScan(hugeTable);
    ASSERT_NE(hugeScan.scanner, nullptr);
    for (const ScanNode& root : hugeScan.scanner->roots.roots) EXPECT_TRUE(root.children.empty());
    EXPECT_EQ(hugeScan.scanner->DataAreaStart(), -1);

    test::FatVolumeBuilder volume(test::FatKind::Fat16, 2048);
    const fs::path longRoot = volume.Write(dir / "long-root.img");
    test::PatchFile(longRoot, 17, {0xF0, 0xFF});  // a root directory of 2 MiB on a 1 MiB volume
    ImageScan rootScan(longRoot);
    ASSERT_NE(rootScan.scanner, nullptr);
    EXPECT_EQ(rootScan.scanner->DataAreaStart(), -1);
}

TEST_F(DamagedImageTest, AFat32FolderThatLostTheHighWordOfItsClusterIsFoundAboveIt) {
    const auto high = test::LoadManifest("fat32", 0, /*highClusters=*/true);
    const auto folder = std::find_if(high.begin(), high.end(), [](const ManifestFile& f) { return f.deleted; });
    ASSERT_NE(folder, high.end());
    ASSERT_GT(folder->firstCluster, 65535u);
    const fs::path image = Copy("fat32");
    // Some systems clear the high word when they delete a FAT32 entry: do the same here.
    const auto bytes = test::ReadFileBytes(image, 0, static_cast<std::size_t>(fs::file_size(image)));
    std::vector<std::uint64_t> entries;
    for (std::uint64_t at = regions.dataStart * 512; at + 32 <= bytes.size(); at += 32) {
        const auto entry = std::span(bytes).subspan(at, 32);
        if (entry[0] == 0xE5 && entry[11] == 0x10 && EntryFirstCluster(entry, kFsFat32) == folder->firstCluster) entries.push_back(at);
    }
    ASSERT_EQ(entries.size(), 1u);
    test::PatchFile(image, entries[0] + 20, {0, 0});

    ImageScan scan(image);
    const ScanNode* found = FindPath(scan.Root(RootIndex::Deleted), folder->path);
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->location, folder->firstCluster & 0xFFFF);
    int read = 0;
    for (const ManifestFile& file : test::LoadManifest("fat32")) {
        if (!file.path.starts_with(folder->path + "/")) continue;
        const ScanNode* node = FindPath(scan.Root(RootIndex::Deleted), test::DeletedRootPath(file));
        ASSERT_NE(node, nullptr) << file.path;
        const auto data = test::ReadNodeBytes(*scan.scanner, *node);
        EXPECT_TRUE(data && test::Md5Hex(*data) == file.md5) << file.path;
        ++read;
    }
    EXPECT_EQ(read, 2);
}

}  // namespace
}  // namespace tundrel
