// The manifests of the reformatted and re-created images: each old file whose data lies in one
// run reads back with its MD5 from its recorded first sector exactly when it is marked survived.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "manifest.h"
#include "md5.h"
#include "test_support.h"

namespace tundrel::test {
namespace {

class FormerVolumesTest : public ::testing::TestWithParam<const char*> {};

TEST_P(FormerVolumesTest, ContiguousFilesReadBackAtTheirSectorsExactlyWhenSurvived) {
    const auto image = TestImage(GetParam());
    const auto volumes = FormerVolumes(GetParam());
    ASSERT_FALSE(volumes.empty());
    std::size_t survived = 0;
    for (const auto& volume : volumes) {
        for (const auto& file : volume.files) {
            if (file.isDirectory || file.fragmented || file.firstSector == 0) continue;
            EXPECT_GE(file.firstSector, volume.startSector) << file.path;
            EXPECT_LE(file.firstSector * 512 + file.size, (volume.startSector + volume.sectorCount) * 512) << file.path;
            const auto bytes = ReadFileBytes(image, file.firstSector * 512, file.size);
            EXPECT_EQ(Md5Hex(bytes) == file.md5, file.survived) << volume.fs << " at " << volume.startSector << ": " << file.path;
            survived += file.survived;
        }
    }
    EXPECT_GT(survived, 0u);
}

INSTANTIATE_TEST_SUITE_P(Images, FormerVolumesTest,
                         ::testing::Values("fat32-to-ntfs", "ntfs-to-fat32", "ntfs-quick", "exfat-noboot", "repartitioned"),
                         [](const auto& info) {
                             std::string name = info.param;
                             std::replace(name.begin(), name.end(), '-', '_');
                             return name;
                         });

}  // namespace
}  // namespace tundrel::test
