// Recovery of the test disks' live and deleted files, checked against their manifests.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>

#include "disk/fs_type.h"
#include "modes/all_scanners.h"
#include "modes/scan_plan.h"
#include "modes/scan_session.h"
#include "export/export_selection.h"
#include "export/export_writer.h"
#include "export_double.h"
#include "manifest.h"
#include "md5.h"
#include "scan/volume_scanner.h"
#include "support/text.h"

namespace tundrel {
namespace {

namespace fs = std::filesystem;

class ImageExportTest : public ::testing::TestWithParam<const char*> {};

// The whole of the live and deleted folders of the image's volume, scanned and exported as
// the command line does.
TEST_P(ImageExportTest, LiveAndDeletedFilesMatchTheManifest) {
    // The images were written in UTC. NTFS and exFAT record the moment, FAT the clock's digits,
    // which read as Tokyo time are nine hours earlier.
    const test::TimeZone tokyo("Asia/Tokyo");
    const fs::path image = test::TestImage(GetParam());
    ScanSession session;
    const ScanPlan plan =
        PlanScanTasks({image.string(), kModeDeletedFiles, std::nullopt}, AllFileSystems(), AllScanners());
    session.Run(plan.tasks, nullptr);
    ASSERT_EQ(plan.refusal, PlanRefusal::None);
    ASSERT_FALSE(session.Scanners().empty());
    VolumeScanner& scanner = *session.Scanners().front();
    const std::int64_t digitsShift = scanner.fsType == kFsNtfs || scanner.fsType == kFsExFat ? 0 : 9 * 3600;
    for (const RootIndex root : {RootIndex::Root, RootIndex::Deleted}) CheckSubtree(scanner, scanner.roots[root]);
    const test::TempDir destination;
    test::RecordingPrompt prompt;
    ExportLog log;
    ExportCounters counters;
    FolderRenameCounter renames;
    ExportWriter writer(prompt, log, counters, renames);
    EXPECT_FALSE(writer.Run({{{&scanner, ""}}, destination.Path().string(), std::nullopt}).stopped);
    EXPECT_EQ(log.CountOf(LogLevel::Error), 0u);

    const fs::path live = destination / ToUtf8(Text16(StringId::RootDirectory));
    std::multiset<std::string> deletedSums;
    for (const auto& entry : fs::recursive_directory_iterator(destination / ToUtf8(Text16(StringId::DeletedFiles)))) {
        if (entry.is_regular_file()) deletedSums.insert(test::Md5Hex(test::FileBytes(entry.path())));
    }
    std::size_t liveInManifest = 0;
    for (const test::ManifestFile& file : test::LoadManifest(GetParam())) {
        if (file.isDirectory) continue;
        if (!file.deleted) {
            ++liveInManifest;
            const fs::path path = live / file.path;
            struct stat info = {};
            ASSERT_EQ(::stat(path.c_str(), &info), 0) << path;
            EXPECT_EQ(test::Md5Hex(test::FileBytes(path)), file.md5) << path;
            EXPECT_EQ(info.st_mtim.tv_sec, file.mtimeEpoch - digitsShift) << path;
            EXPECT_EQ(info.st_mtim.tv_nsec, 0) << path;  // the manifest's times are whole seconds
        } else if (file.reusable) {
            EXPECT_TRUE(deletedSums.count(file.md5)) << file.path;
        }
    }
    const auto isFile = [](const fs::directory_entry& entry) { return entry.is_regular_file(); };
    const auto liveCount = std::count_if(fs::recursive_directory_iterator(live), {}, isFile);
    EXPECT_EQ(static_cast<std::size_t>(liveCount), liveInManifest);
    EXPECT_GT(liveInManifest, 10u);
    EXPECT_GT(deletedSums.size(), 5u);
}

INSTANTIATE_TEST_SUITE_P(TestDisks, ImageExportTest, ::testing::Values("fat16", "fat32", "ntfs", "exfat", "fat12"));

}  // namespace
}  // namespace tundrel
