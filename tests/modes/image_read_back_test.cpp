// Every committed volume scanned through the engine's scanner table: each live file, and each
// deleted file whose clusters are still free, reads back byte-exact from its place in the tree.

#include <gtest/gtest.h>

#include "image_scan.h"
#include "manifest.h"
#include "md5.h"
#include "node_find.h"
#include "test_support.h"

namespace tundrel {
namespace {

class ImageReadBackTest : public ::testing::TestWithParam<test::CommittedVolume> {};

TEST_P(ImageReadBackTest, LiveAndReusableDeletedFilesReadBackByteExact) {
    const test::CommittedVolume& volume = GetParam();
    const auto image = test::TestImage(volume.image);
    test::ScanOfImage made(image, {.volumeStart = volume.startSector}, kFsRaw);
    ASSERT_EQ(made.context->scanners.size(), 1u);
    VolumeScanner& scanner = *made.context->scanners.front();
    int live = 0;
    for (const test::ManifestFile& file : test::LoadManifest(volume.image, volume.partition)) {
        if (!test::DataExpected(volume, file)) continue;
        // A deleted FAT entry lost its first character: "#" stands for it.
        const std::string path = file.deleted ? test::DeletedRootPath(file) : file.path;
        const ScanNode* node = test::FindPath(scanner.roots[file.deleted ? RootIndex::Deleted : RootIndex::Root], path);
        ASSERT_NE(node, nullptr) << path;
        EXPECT_EQ(node->Has(kFlagDeleted), file.deleted) << path;
        EXPECT_EQ(node->size, file.size) << path;
        const auto bytes = test::ReadNodeBytes(scanner, *node);
        ASSERT_TRUE(bytes.has_value()) << path;
        EXPECT_EQ(test::Md5Hex(*bytes), file.md5) << path;
        live += file.deleted ? 0 : 1;
    }
    EXPECT_GT(live, 2);
}

INSTANTIATE_TEST_SUITE_P(Volumes, ImageReadBackTest, ::testing::ValuesIn(test::kCommittedVolumes),
                         [](const auto& info) { return test::NameOf(info.param); });

}  // namespace
}  // namespace tundrel
