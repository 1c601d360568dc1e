// A run of scan tasks, driven through a scanner double registered for the test.

#include <gtest/gtest.h>

#include <fstream>

#include "disk/fs_type.h"
#include "scan/progress_display.h"
#include "scan/scan_run.h"
#include "scan/volume_scanner.h"
#include "support/text.h"
#include "test_support.h"

namespace tundrel {
namespace {

// Records what the run showed while it scanned, and adds one file named after its source.
class RecordingScanner final : public VolumeScanner {
public:
    using VolumeScanner::VolumeScanner;

    static inline std::vector<std::string> titles;
    static inline bool stopAfterFirst = false;

    void Scan() override {
        progress_.BeginScan();
        ProgressDisplay display;
        titles.push_back(display.Tick(progress_, ProgressDisplay::Clock::now()).title);
        ScanNode file;
        file.name = namePool.Add(source->name);
        file.size = source->totalSectors * 512;
        roots[RootIndex::Root].children.push_back(file);
        if (stopAfterFirst) progress_.RequestStop();
        progress_.EndScan();
    }

    static std::unique_ptr<VolumeScanner> Make(ScanContext& context, std::uint32_t type) {
        return std::make_unique<RecordingScanner>(context, type);
    }
};

constexpr ScannerEntry kTable[] = {{kFsFat32, &RecordingScanner::Make}};

class ScanRunTest : public ::testing::Test {
protected:
    void SetUp() override {
        RecordingScanner::titles.clear();
        RecordingScanner::stopAfterFirst = false;
    }

    ScanTask TaskFor(const std::string& file, std::size_t sectors) {
        const auto path = dir / file;
        if (sectors > 0) std::ofstream(path, std::ios::binary) << std::string(sectors * 512, 'x');
        ScanTask task;
        task.sourceName = ToUtf16(path.string());
        task.volume.fsType = kFsFat32;
        task.volume.sectorCount = static_cast<std::uint32_t>(sectors);
        return task;
    }

    test::TempDir dir;
    Settings settings;
    ScanProgress progress;
    ScanEnvironment environment{settings, progress, kTable, nullptr};
    std::vector<std::unique_ptr<ScanContext>> contexts;
};

TEST_F(ScanRunTest, SourceThatDoesNotOpenIsSkippedAndTheRunGoesOn) {
    const std::vector<ScanTask> tasks{TaskFor("first.img", 4), TaskFor("missing.img", 0), TaskFor("third.img", 8)};

    const ScanRunSummary summary = RunScanTasks(tasks, environment, contexts, nullptr);

    ASSERT_EQ(contexts.size(), 3u);
    EXPECT_EQ(contexts[0]->state, ContextState::Scanned);
    EXPECT_EQ(contexts[1]->state, ContextState::SourceNotOpened);
    EXPECT_TRUE(contexts[1]->scanners.empty());
    EXPECT_EQ(contexts[2]->state, ContextState::Scanned);
    ASSERT_EQ(RecordingScanner::titles.size(), 2u);
    EXPECT_NE(RecordingScanner::titles[0].find("1/3"), std::string::npos);
    EXPECT_NE(RecordingScanner::titles[1].find("3/3"), std::string::npos);
    EXPECT_NE(RecordingScanner::titles[1].find("third.img"), std::string::npos);
    EXPECT_EQ(summary.fileCount, 2u);
    EXPECT_EQ(summary.totalBytes, 12u * 512);
    EXPECT_FALSE(summary.stopped);
    EXPECT_FALSE(summary.nothingFound);
    // The block is left clean for the next run.
    EXPECT_EQ(progress.scanning.load(), 0u);
    EXPECT_EQ(progress.taskCount.load(), 0u);
}

TEST_F(ScanRunTest, StopKeepsWhatWasFoundAndSkipsTheRemainingTasks) {
    RecordingScanner::stopAfterFirst = true;
    const std::vector<ScanTask> tasks{TaskFor("first.img", 4), TaskFor("second.img", 4)};

    const ScanRunSummary summary = RunScanTasks(tasks, environment, contexts, nullptr);

    EXPECT_TRUE(summary.stopped);
    ASSERT_EQ(contexts.size(), 1u);
    ASSERT_EQ(contexts[0]->scanners.size(), 1u);
    EXPECT_EQ(contexts[0]->scanners[0]->roots[RootIndex::Root].children.size(), 1u);
    EXPECT_EQ(summary.fileCount, 1u);
    // The request stays until a new run is started, so a late Ctrl-C cannot be lost.
    EXPECT_TRUE(progress.StopRequested());
    const ScanRunSummary next = RunScanTasks(tasks, environment, contexts, nullptr);
    EXPECT_TRUE(next.stopped);
    EXPECT_EQ(contexts.size(), 1u);
}

TEST_F(ScanRunTest, TypeWithoutScannerIsReportedNotFaked) {
    ScanTask task = TaskFor("ntfs.img", 4);
    task.volume.fsType = 3;

    const ScanRunSummary summary = RunScanTasks(std::vector{task}, environment, contexts, nullptr);

    ASSERT_EQ(contexts.size(), 1u);
    EXPECT_EQ(contexts[0]->state, ContextState::NoScanner);
    EXPECT_TRUE(contexts[0]->scanners.empty());
    EXPECT_TRUE(summary.nothingFound);
}

TEST_F(ScanRunTest, BootSectorOfTheVolumeReachesTheScanner) {
    ScanTask task = TaskFor("boot.img", 4);
    task.volume.startSector = 2;
    task.volume.bootValid = true;
    task.volume.bootSector[3] = 'M';
    task.options[0] = 77;

    RunScanTasks(std::vector{task}, environment, contexts, nullptr);

    ASSERT_EQ(contexts[0]->scanners.size(), 1u);
    const VolumeScanner& scanner = *contexts[0]->scanners[0];
    EXPECT_TRUE(scanner.bootLoaded);
    EXPECT_EQ(scanner.BootHead()[3], 'M');
    EXPECT_EQ(scanner.volumeStart, 2u);
    EXPECT_EQ(scanner.volumeSectors, 4u);
    EXPECT_EQ(scanner.scanOptions[0], 77u);
}

}  // namespace
}  // namespace tundrel
