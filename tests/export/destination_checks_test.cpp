// The destination checks: where a destination lies relative to the scanned sources, and the
// questions asked before an export starts, in their order.

#include "export/destination_checks.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "cli/exit_codes.h"
#include "export/destination_folder.h"
#include "export_double.h"
#include "support/strings.h"
#include "support/text.h"

namespace tundrel {
namespace {

namespace fs = std::filesystem;
using platform::LayerKind;
using platform::SourceKind;
using platform::StorageLayer;

StorageLayer Block(unsigned minor, std::uint64_t start, std::uint64_t count, bool exact = true) {
    return {LayerKind::BlockDevice, {8, minor}, 0, start, count, exact};
}
StorageLayer ImageFile(std::uint64_t inode, std::uint64_t start = 0) { return {LayerKind::File, {259, 2}, inode, start, 0, true}; }

SourceStorage Source(SourceKind kind, platform::StorageChain chain, std::uint64_t scanStart, std::uint64_t scanCount) {
    return {"source", kind, std::move(chain), scanStart, scanCount};
}

TEST(DestinationPlacement, WhereADestinationLiesFromTheScannedArea) {
    // sdb (8:16) with sdb1 at 2048 (8:17) and sdb2 at 100000 (8:18).
    const platform::StorageChain sdb1 = {Block(17, 0, 90000), Block(16, 2048, 90000)};
    const platform::StorageChain sdb2 = {Block(18, 0, 50000), Block(16, 100000, 50000)};
    const platform::StorageChain otherDisk = {Block(33, 0, 1000), Block(32, 2048, 1000)};
    const platform::StorageChain wholeDisk = {Block(16, 0, 200000)};

    // A whole disk scanned in its first partition.
    const SourceStorage disk = Source(SourceKind::Disk, wholeDisk, 2048, 90000);
    EXPECT_EQ(PlaceDestination(disk, sdb1), Placement::OverlapsScan);
    EXPECT_EQ(PlaceDestination(disk, sdb2), Placement::SameDisk);
    EXPECT_EQ(PlaceDestination(disk, otherDisk), Placement::Separate);
    EXPECT_EQ(PlaceDestination(Source(SourceKind::Disk, wholeDisk, 0, 200000), sdb2), Placement::OverlapsScan);

    // A partition: the partition itself, another one of its disk, another disk.
    const SourceStorage partition = Source(SourceKind::Volume, sdb1, 0, 90000);
    EXPECT_EQ(PlaceDestination(partition, sdb1), Placement::OnSourceVolume);
    EXPECT_EQ(PlaceDestination(partition, sdb2), Placement::SameDisk);
    EXPECT_EQ(PlaceDestination(partition, otherDisk), Placement::Separate);

    // Below a device-mapper device only the slave's bounds are known: a volume built on
    // sdb1 may lie anywhere in it.
    const platform::StorageChain mapped = {Block(0xfd00, 0, 1000), Block(17, 0, 90000, false), Block(16, 2048, 90000, false)};
    EXPECT_EQ(PlaceDestination(Source(SourceKind::Disk, wholeDisk, 50000, 100), mapped), Placement::OverlapsScan);
    EXPECT_EQ(PlaceDestination(Source(SourceKind::Disk, wholeDisk, 100000, 100), mapped), Placement::SameDisk);

    // An image file behind a loop device or a FUSE mount is the source itself, wherever in
    // the file the mounted volume starts.
    const SourceStorage image = Source(SourceKind::Image, {ImageFile(77)}, 0, 131072);
    EXPECT_EQ(PlaceDestination(image, {Block(0x701, 0, 100), Block(0x700, 2048, 100), ImageFile(77, 2048)}),
              Placement::OnSourceVolume);
    EXPECT_EQ(PlaceDestination(image, {ImageFile(78)}), Placement::Separate);
    EXPECT_EQ(PlaceDestination(image, {}), Placement::Separate);
}

class DestinationChecksTest : public ::testing::Test {
protected:
    void SetUp() override {
        input.destination.folder = dir.Path().string();
        input.destination.driveName = "/media/usb";
        input.destination.fsType = "ext4";
        input.destination.freeBytes = 1 << 20;
        input.selection.bytes = 1000;
        input.sources.push_back(Source(SourceKind::Volume, {Block(17, 0, 9000), Block(16, 2048, 9000)}, 0, 9000));
    }
    test::TempDir dir;
    DestinationCheckInput input;
    test::RecordingPrompt prompt;
};

TEST_F(DestinationChecksTest, QuestionsComeInOrderAndNoStopsAtTheFirst) {
    input.destination.chain = {Block(18, 0, 5000), Block(16, 20000, 5000)};
    input.destination.freeBytes = 10;
    input.destination.fsType = "vfat";
    input.selection.bigFiles.push_back({u"movie.mkv", std::uint64_t{5} << 30});

    EXPECT_TRUE(RunDestinationChecks(input, prompt));
    EXPECT_EQ(prompt.asked, (std::vector<StringId>{StringId::AskSameDiskOtherVolume, StringId::DestinationLacksSpace,
                                                   StringId::FatDestinationBigFiles}));
    ASSERT_EQ(prompt.bigFiles.size(), 1u);
    EXPECT_EQ(prompt.bigFiles[0], "\r\n movie.mkv , 5.00G");
    EXPECT_NE(prompt.texts[0].find("source"), std::string::npos);

    prompt = {};
    prompt.confirm = false;
    EXPECT_FALSE(RunDestinationChecks(input, prompt));
    EXPECT_EQ(prompt.asked, std::vector<StringId>{StringId::AskSameDiskOtherVolume});
    // The write test leaves nothing behind.
    EXPECT_TRUE(fs::is_empty(dir.Path()));
}

TEST_F(DestinationChecksTest, RefusalsNeedNoQuestion) {
    input.sources[0] = Source(SourceKind::Disk, {Block(16, 0, 90000)}, 0, 90000);
    input.destination.chain = {Block(18, 0, 5000), Block(16, 20000, 5000)};
    EXPECT_FALSE(RunDestinationChecks(input, prompt));
    EXPECT_EQ(prompt.told, std::vector<StringId>{StringId::SameDiskRefused});
    EXPECT_TRUE(prompt.asked.empty());

    prompt = {};
    input.destination.chain.clear();
    input.sizesReady = false;
    EXPECT_FALSE(RunDestinationChecks(input, prompt));
    EXPECT_EQ(prompt.told, std::vector<StringId>{StringId::SizesStillComputing});

    // Big files matter only on FAT; a FAT destination without them asks nothing.
    prompt = {};
    input.sizesReady = true;
    input.destination.fsType = "vfat";
    EXPECT_TRUE(RunDestinationChecks(input, prompt));
    EXPECT_TRUE(prompt.asked.empty());
}

TEST_F(DestinationChecksTest, ReadOnlyDestinationFailsTheWriteTest) {
    test::TmpfsMount readOnly("1m", true);
    if (!readOnly.Mounted()) GTEST_SKIP() << "mounting a tmpfs needs root";
    input.destination = ProbeDestination(readOnly.Path().string());
    EXPECT_EQ(input.destination.fsType, "tmpfs");
    EXPECT_EQ(input.destination.driveName, readOnly.Path().string());
    EXPECT_TRUE(input.destination.chain.empty());

    EXPECT_FALSE(RunDestinationChecks(input, prompt));
    EXPECT_EQ(prompt.told, std::vector<StringId>{StringId::DestinationNotWritable});
    EXPECT_NE(prompt.texts[0].find(readOnly.Path().string()), std::string::npos);
}

TEST(DestinationFolderTest, TheNearestExistingEntryIsJudgedAndOnlyTheRestIsMade) {
    test::TempDir dir;
    fs::create_directory(dir / "there");
    test::WriteBinaryFile(dir / "file", {1, 2, 3});
    const struct {
        std::string given, existing;
        std::vector<std::string> missing;
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
    const test::ToolOutcome outcome = test::RunTool({"export", image.string(), "--to", (dir / "file").string()});
    EXPECT_EQ(outcome.status, cli::kExitExportIncomplete);
    const std::string notAFolder = FormatText(Text(StringId::DestinationNotAFolder).data(), (dir / "file").c_str());
    EXPECT_NE(outcome.err.find(notAFolder), std::string::npos) << outcome.err;
    EXPECT_EQ(test::FileBytes(dir / "file"), (std::vector<std::uint8_t>{1, 2, 3}));
}

}  // namespace
}  // namespace tundrel
