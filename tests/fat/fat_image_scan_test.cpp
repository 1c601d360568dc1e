// Scans of the committed FAT images, checked against their manifests and against The Sleuth
// Kit's listing of the same volumes.

#include <gtest/gtest.h>


#include "fat_test_support.h"
#include "md5.h"
#include "support/text.h"

namespace tundrel {
namespace {

namespace fs = std::filesystem;
using test::FindPath;
using test::ImageScan;
using test::ManifestFile;

class CommittedImageTest : public ::testing::TestWithParam<std::string> {};

TEST_P(CommittedImageTest, DeletedDirectoriesAreReadInTheDeletedFileModeOnly) {
    const fs::path image = test::TestImage(GetParam());
    ImageScan scan(image);
    ImageScan formatted(image, {.mode = kModeFormattedVolume});
    ASSERT_TRUE(scan.scanner != nullptr && formatted.scanner != nullptr);
    for (const char* folder : {"Old Projects", "#RASH"}) {
        ASSERT_NE(FindPath(formatted.Root(RootIndex::Deleted), folder), nullptr) << folder;
        EXPECT_TRUE(FindPath(formatted.Root(RootIndex::Deleted), folder)->children.empty()) << folder;
        EXPECT_FALSE(FindPath(scan.Root(RootIndex::Deleted), folder)->children.empty()) << folder;
    }
    EXPECT_GT(formatted.progress.foundCount.load(), 30u);
    EXPECT_TRUE(formatted.progress.StatusText().empty());
}

INSTANTIATE_TEST_SUITE_P(Images, CommittedImageTest, ::testing::Values("fat16", "fat32", "fat12"),
                         [](const auto& info) { return info.param; });

// Every file below the node by its name (the name a deleted long-named file keeps whole).
void CollectFiles(const ScanNode& root, std::multimap<std::string, const ScanNode*>& byName) {
    test::ForEachNode(root, [&](const ScanNode& node, const std::string&) {
        if (!node.IsDirectory() && node.name != nullptr) byName.emplace(ToUtf8(node.name), &node);
    });
}

// Folders of 160 files whose directories spanned several scattered clusters, removed with
// mdeltree: the first cluster of each is read from its deleted entry, the later ones are
// found among the free clusters and listed under "Cluster_N" folders of the scanned root.
TEST(WipedFolderTest, FilesOfWipedMultiClusterFoldersAreListedAndReadBack) {
    ImageScan scan(test::TestImage("fat32-wiped"));
    ASSERT_NE(scan.scanner, nullptr);
    std::multimap<std::string, const ScanNode*> byName;
    CollectFiles(scan.Root(RootIndex::Deleted), byName);
    CollectFiles(scan.Root(RootIndex::Scanned), byName);
    for (const ScanNode& folder : scan.Root(RootIndex::Scanned).children) {
        EXPECT_TRUE(ToUtf8(folder.name).starts_with("Cluster_")) << ToUtf8(folder.name);
    }
    int wiped = 0, listed = 0, readBack = 0;
    for (const ManifestFile& file : test::LoadManifest("fat32-wiped")) {
        if (file.isDirectory || !file.path.starts_with("Wiped ")) continue;
        ++wiped;
        const std::string name = file.path.substr(file.path.rfind('/') + 1);
        const auto [first, last] = byName.equal_range(name);
        if (first == last) continue;
        ++listed;
        if (file.fragmented || !file.reusable) continue;
        const auto bytes = test::ReadNodeBytes(*scan.scanner, *first->second);
        ASSERT_TRUE(bytes.has_value()) << name;
        EXPECT_EQ(test::Md5Hex(*bytes), file.md5) << name;
        ++readBack;
    }
    EXPECT_EQ(wiped, 480);
    EXPECT_GE(listed * 10, wiped * 9) << listed << " of " << wiped;
    EXPECT_GE(readBack * 10, wiped * 8);
}

// A deleted file whose first cluster a later file took, and a long-name entry whose attribute
// byte was set to 0 (which read as a short entry gives 4 GiB at cluster 0 dated 2107-15-31).
TEST(ReusedAndPatchedEntriesTest, OverwrittenFilesAreMarkedAndLongNameRemnantsAreNotFiles) {
    ImageScan scan(test::TestImage("fat16-damage"));
    ASSERT_NE(scan.scanner, nullptr);
    for (const ManifestFile& file : test::LoadManifest("fat16-damage")) {
        if (!file.deleted) continue;
        const ScanNode* node = FindPath(scan.Root(RootIndex::Deleted), file.tskPath);
        ASSERT_NE(node, nullptr) << file.tskPath;
        EXPECT_EQ(node->Has(kFlagOverwritten), !file.reusable) << file.path;
    }
    std::multimap<std::string, const ScanNode*> byName;
    for (const ScanNode& root : scan.scanner->roots.roots) CollectFiles(root, byName);
    for (const auto& [name, node] : byName) {
        EXPECT_FALSE(node->size == 0xFFFFFFFF || (node->location < 2 && node->size != 0)) << name;
    }
    EXPECT_EQ(byName.size(), 6u);  // three live files, three deleted ones
}

}  // namespace
}  // namespace tundrel
