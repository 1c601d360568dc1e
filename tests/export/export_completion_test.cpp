// Files reach the destination whole or not at all, an overwrite replaces the name and never
// writes into the old file, and a destination is judged by what stands at its place.

#include <gtest/gtest.h>
#include <sys/mount.h>

#include <cstdlib>
#include <filesystem>

#include "cli/exit_codes.h"
#include "export/destination_folder.h"
#include "export/export_writer.h"
#include "export_double.h"
#include "support/strings.h"
#include "support/text.h"

namespace tundrel {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;
using Names = std::vector<std::string>;

Names NamesIn(const fs::path& folder) {
    Names names;
    for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// With `true`, the destination is an exFAT volume through FUSE: no nameless files, no hard
// links and no rename that refuses to replace, so every fallback of the temporary name is taken.
class ExportCompletionTest : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override {
        fs::create_directory(destination);
        scanner.roots[RootIndex::Deleted].Set(kFlagChecked, true);
    }
    void TearDown() override {
        if (mounted) ::umount2(destination.c_str(), MNT_DETACH);
    }
    bool MountExfat() {
        const std::string image = (volumes.dir / "exfat.img").string();
        mounted = std::system(("truncate -s 4M '" + image + "' && mkfs.exfat '" + image + "' >/dev/null 2>&1 && " +
                               "mount -o loop -t exfat-fuse '" + image + "' '" + destination.string() + "' 2>/dev/null")
                                  .c_str()) == 0;
        return mounted;
    }
    ExportOutcome Export() {
        ExportWriter writer(prompt, log, counters, folderRenames);
        return writer.Run({{{&scanner, ""}}, destination.string(), collisionChoice});
    }
    fs::path Deleted() const { return destination / ToUtf8(Text16(StringId::DeletedFiles)); }

    test::DoubleVolumes volumes;
    test::DoubleScanner& scanner = volumes.Add();
    fs::path destination = volumes.dir / "out";
    bool mounted = false;
    test::RecordingPrompt prompt;
    ExportLog log;
    ExportCounters counters;
    FolderRenameCounter folderRenames;
    std::optional<CollisionChoice> collisionChoice;
};

TEST_P(ExportCompletionTest, AStoppedFileLeavesNothingThatALaterRunWouldKeep) {
    if (GetParam() && !MountExfat()) GTEST_SKIP() << "mounting exFAT needs root, loop devices and FUSE";
    volumes.Place(scanner, RootIndex::Deleted,
                  {volumes.File(u"a.bin", 0, 200000, kFlagChecked), volumes.File(u"b.bin", 600, 1000, kFlagChecked)});
    scanner.onRead = [&](const ScanNode& node, std::uint64_t offset) {
        if (node.location == 0 && offset == kExportPieceBytes) counters.RequestStop();
    };
    EXPECT_TRUE(Export().stopped);
    EXPECT_EQ(NamesIn(Deleted()), Names{});  // neither the file nor a temporary name of it
    EXPECT_EQ(log.CountOf(LogLevel::Error), 1u);

    scanner.onRead = nullptr;
    counters.ClearStop();
    collisionChoice = CollisionChoice::Skip;
    EXPECT_FALSE(Export().stopped);
    EXPECT_EQ(test::FileBytes(Deleted() / "a.bin"), volumes.ImageBytes(0, 200000));

    test::WriteBinaryFile(Deleted() / "b.bin", {9});
    collisionChoice = CollisionChoice::Overwrite;
    Export();
    EXPECT_EQ(test::FileBytes(Deleted() / "b.bin"), volumes.ImageBytes(600, 1000));
    EXPECT_EQ(NamesIn(Deleted()), (Names{"a.bin", "b.bin"}));
}

INSTANTIATE_TEST_SUITE_P(NamelessAndHiddenTemporaries, ExportCompletionTest, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "ExfatFuseVolume" : "TestFolder"; });

TEST_F(ExportCompletionTest, OverwriteLeavesAHardLinkOutsideAlone) {
    const fs::path outside = volumes.dir / "elsewhere.txt";
    test::WriteBinaryFile(outside, {1, 2, 3});
    fs::create_directories(Deleted());
    fs::create_hard_link(outside, Deleted() / "same.txt");
    volumes.Place(scanner, RootIndex::Deleted, {volumes.File(u"same.txt", 10, 100, kFlagChecked)});
    collisionChoice = CollisionChoice::Overwrite;
    Export();
    EXPECT_EQ(test::FileBytes(outside), (Bytes{1, 2, 3}));
    EXPECT_EQ(test::FileBytes(Deleted() / "same.txt"), volumes.ImageBytes(10, 100));
}

TEST(DestinationFolderTest, TheNearestExistingEntryIsJudgedAndOnlyTheRestIsMade) {
    test::TempDir dir;
    fs::create_directory(dir / "there");
    test::WriteBinaryFile(dir / "file", {1, 2, 3});
    const struct {
        std::string given, existing;
        Names missing;
    } cases[] = {{"there", "there", {}},
                 {"there/new/deeper/", "there", {"new", "deeper"}},
                 {"there/new/../other", "there", {"other"}},
                 {"file/sub", "file", {"sub"}}};
    for (const auto& c : cases) {
        std::error_code ec;
        const std::optional<DestinationFolder> found = LocateDestination((dir / c.given).string(), ec);
        ASSERT_TRUE(found) << ec.message();
        EXPECT_EQ(found->existing, (dir / c.existing).string()) << c.given;
        EXPECT_EQ(found->missing, c.missing) << c.given;
        int error = 0;
        EXPECT_EQ(found->existingIsFolder && MakeDestination(*found, error) && fs::is_directory(found->path),
                  c.existing == "there")
            << c.given;
    }

    // On the command line a file in the way is said to be no folder, and left as it is.
    const fs::path image = test::TestImage("fat16");
    if (image.empty()) GTEST_SKIP() << "the test image cannot be unpacked";
    const test::ToolOutcome outcome = test::RunTool({"export", image.string(), "--to", (dir / "file").string()});
    EXPECT_EQ(outcome.status, cli::kExitExportIncomplete);
    const std::string notAFolder = FormatText(Text(StringId::DestinationNotAFolder).data(), (dir / "file").c_str());
    EXPECT_NE(outcome.err.find(notAFolder), std::string::npos) << outcome.err;
    EXPECT_EQ(test::FileBytes(dir / "file"), (Bytes{1, 2, 3}));
}

}  // namespace
}  // namespace tundrel
