// Recovery of the test disks' live and deleted files, checked against their manifests.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <map>
#include <set>

#include "modes/all_scanners.h"
#include "modes/scan_plan.h"
#include "modes/scan_session.h"
#include "export/export_selection.h"
#include "export/export_writer.h"
#include "export/node_times.h"
#include "export/safe_name.h"
#include "export_double.h"
#include "manifest.h"
#include "md5.h"
#include "scan/volume_scanner.h"
#include "support/text.h"

namespace tundrel {
namespace {

namespace fs = std::filesystem;

struct ExportedFile {
    const ScanNode* node;
    fs::path path;
    struct stat info;
};

// The MD5 of every file below `folder`, by path.
std::map<fs::path, std::string> Md5Sums(const fs::path& folder) {
    std::map<fs::path, std::string> sums;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        if (entry.is_regular_file()) sums[entry.path()] = test::Md5Hex(test::FileBytes(entry.path()));
    }
    return sums;
}

class ImageExport {
public:
    explicit ImageExport(const fs::path& image) {
        fs::create_directory(destination);
        const ScanPlan plan = PlanScanTasks({image.string(), kModeDeletedFiles, std::nullopt}, AllFileSystems(), AllScanners());
        session.Run(plan.tasks, nullptr);
        scanned = plan.refusal == PlanRefusal::None && !session.Scanners().empty();
    }

    // Checks the given roots, exports them and notes where each checked node went.
    void Export(std::initializer_list<RootIndex> roots) {
        VolumeScanner& scanner = *session.Scanners().front();
        for (const RootIndex root : roots) CheckSubtree(scanner, scanner.roots[root]);
        ExportCounters counters;
        FolderRenameCounter renames;
        ExportWriter writer(prompt, log, counters, renames);
        outcome = writer.Run({{{&scanner, ""}}, destination.string(), std::nullopt});
        for (const RootIndex root : roots) Note(scanner.roots[root], destination);
    }

    ScanSession session;
    bool scanned = false;
    test::TempDir sandbox;
    fs::path destination = sandbox / "out";
    test::RecordingPrompt prompt;
    ExportLog log;
    ExportOutcome outcome;
    std::vector<ExportedFile> files;
    std::vector<fs::path> folders;

private:
    void Note(const ScanNode& node, const fs::path& into) {
        const fs::path path = into / SafePathComponent(node.name ? node.name : u"").name;
        if (node.IsDirectory()) {
            folders.push_back(path);
            for (const ScanNode& child : node.children) Note(child, path);
            return;
        }
        ExportedFile file{&node, path, {}};
        ::stat(path.c_str(), &file.info);  // before anything reads the data and moves the access time
        files.push_back(file);
    }
};

class ImageExportTest : public ::testing::TestWithParam<const char*> {};

TEST_P(ImageExportTest, LiveAndDeletedFilesMatchTheManifest) {
    // The manifests give times in UTC, and FAT keeps local times.
    const test::TimeZone utc("UTC");
    const fs::path image = test::TestImage(GetParam());
    ASSERT_FALSE(image.empty());
    ImageExport run(image);
    ASSERT_TRUE(run.scanned);
    run.Export({RootIndex::Root, RootIndex::Deleted});
    EXPECT_FALSE(run.outcome.stopped);
    EXPECT_EQ(run.log.CountOf(LogLevel::Error), 0u);

    const fs::path live = run.destination / ToUtf8(Text16(StringId::RootDirectory));
    const fs::path deleted = run.destination / ToUtf8(Text16(StringId::DeletedFiles));

    for (const fs::path& folder : run.folders) EXPECT_TRUE(fs::is_directory(folder)) << folder;
    std::size_t liveCount = 0;
    for (const ExportedFile& file : run.files) {
        ASSERT_TRUE(fs::is_regular_file(file.path)) << file.path;
        EXPECT_EQ(static_cast<std::uint64_t>(file.info.st_size), file.node->size) << file.path;
        const auto modified = ModifiedMomentOf(*file.node);
        const auto accessed = AccessedMomentOf(*file.node);
        if (modified) {
            EXPECT_EQ(file.info.st_mtim.tv_sec, modified->tv_sec) << file.path;
        }
        if (accessed) {
            EXPECT_EQ(file.info.st_atim.tv_sec, accessed->tv_sec) << file.path;
        }
        if (file.path.string().starts_with(live.string())) ++liveCount;
    }

    const std::map<fs::path, std::string> sums = Md5Sums(run.destination);
    std::multiset<std::string> deletedSums;
    for (const auto& [path, sum] : sums) {
        if (path.string().starts_with(deleted.string())) deletedSums.insert(sum);
    }
    std::size_t liveInManifest = 0;
    for (const test::ManifestFile& file : test::LoadManifest(GetParam())) {
        if (file.isDirectory) continue;
        if (!file.deleted) {
            ++liveInManifest;
            const fs::path path = live / file.path;
            ASSERT_TRUE(sums.count(path)) << path;
            EXPECT_EQ(sums.at(path), file.md5) << path;
            struct stat info = {};
            ASSERT_EQ(::stat(path.c_str(), &info), 0);
            EXPECT_EQ(info.st_mtime, file.mtimeEpoch) << path;
        } else if (file.reusable) {
            EXPECT_TRUE(deletedSums.count(file.md5)) << file.path;
        }
    }
    EXPECT_EQ(liveCount, liveInManifest);
    EXPECT_GT(liveInManifest, 10u);
    EXPECT_GT(deletedSums.size(), 5u);
}

INSTANTIATE_TEST_SUITE_P(TestDisks, ImageExportTest, ::testing::Values("fat16", "fat32", "ntfs", "exfat", "fat12"));

TEST(ValidLengthExportTest, ExportedFilesHoldZerosPastTheirValidLength) {
    for (const char* name : {"ntfs-initsize", "exfat-512"}) {
        ImageExport run(test::TestImage(name));
        ASSERT_TRUE(run.scanned) << name;
        run.Export({RootIndex::Root});
        const std::map<fs::path, std::string> sums = Md5Sums(run.destination);
        int patched = 0;
        for (const test::ManifestFile& file : test::LoadManifest(name)) {
            if (!file.validLength || file.deleted) continue;
            const fs::path path = run.destination / ToUtf8(Text16(StringId::RootDirectory)) / file.path;
            ASSERT_TRUE(sums.count(path)) << path;
            EXPECT_EQ(sums.at(path), file.md5) << path;
            ++patched;
        }
        EXPECT_EQ(patched, 1) << name;
    }
}

}  // namespace
}  // namespace tundrel
