// The full scan through the command line: volumes rebuilt from what the sweep finds, listed
// with the addresses of volumes of their own, the sectors --range gives, and the free clusters
// --free-area sweeps.

#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>
#include <set>

#include "cli/exit_codes.h"
#include "manifest.h"
#include "scan/full_scan_candidates.h"
#include "test_support.h"

namespace tundrel {
namespace {

using test::RunTool;

// The volumes a listing shows, by the volume number of each line.
std::set<int> Volumes(const std::string& out) {
    std::set<int> volumes;
    for (const auto& line : test::JsonLines(out)) volumes.insert(line["volume"].get<int>());
    return volumes;
}

// Volumes reformatted, or partitions made anew, by real tools: every old file whose data
// survived is listed, with its path and size, in a volume the full scan rebuilt.
TEST(FullScanCommandsTest, ReformattedAndRepartitionedImagesListTheirOldFiles) {
    for (const char* name : {"fat32-to-ntfs", "ntfs-to-fat32", "ntfs-quick", "exfat-noboot", "repartitioned"}) {
        SCOPED_TRACE(name);
        const auto outcome = RunTool({"ls", "-r", "--json", "--mode", "full", "--types", "none", test::TestImage(name).string()});
        ASSERT_EQ(outcome.status, cli::kExitSuccess) << outcome.err;
        std::set<std::pair<std::string, std::uint64_t>> listed;
        for (const auto& line : test::JsonLines(outcome.out)) {
            if (line["volume"] != 0 && !line["dir"].get<bool>()) {
                listed.emplace(line["path"].get<std::string>(), line["size"].get<std::uint64_t>());
            }
        }
        int survived = 0;
        for (const test::FormerVolume& volume : test::FormerVolumes(name)) {
            for (const test::FormerFile& file : volume.files) {
                if (file.isDirectory || !file.survived) continue;
                EXPECT_TRUE(listed.contains({file.path, file.size})) << volume.fs << " " << file.path;
                ++survived;
            }
        }
        EXPECT_GT(survived, 5);
    }
}

TEST(FullScanCommandsTest, TheRebuiltVolumeListsEveryLiveFileOfTheManifest) {
    const std::string image = test::TestImage("exfat").string();
    const auto outcome = RunTool({"ls", "-r", "--json", "--mode", "full", "--types", "none", image});
    ASSERT_EQ(outcome.status, cli::kExitSuccess) << outcome.err;
    std::set<std::string> listed;
    for (const auto& line : test::JsonLines(outcome.out)) {
        if (line["volume"] == 1 && line["root"] == "root") listed.insert(line["path"].get<std::string>());
    }
    int live = 0;
    for (const test::ManifestFile& file : test::LoadManifest("exfat")) {
        if (file.deleted) continue;
        EXPECT_TRUE(listed.contains(file.path)) << file.path;
        ++live;
    }
    EXPECT_GT(live, 2);
    // The rebuilt volume is addressed like any other.
    const auto folder = RunTool({"ls", "--json", "--mode", "full", "--types", "none", image, "1:root/Docs"});
    ASSERT_EQ(folder.status, cli::kExitSuccess) << folder.err;
    EXPECT_FALSE(test::JsonLines(folder.out).empty());
}

// The volume's boot record is at sector 0 and its backup at 12: a range that holds neither
// rebuilds nothing, one that holds the backup places the volume at 0 all the same.
TEST(FullScanCommandsTest, TheRangeIsTheSweptArea) {
    const std::string image = test::TestImage("exfat").string();
    const std::pair<const char*, std::set<int>> cases[] = {
        {"0-99", {0, 1}},
        {"12-99", {0, 1}},
        {"13-99", {0}},
    };
    for (const auto& [range, volumes] : cases) {
        for (const char* mode : {"full", "formatted"}) {
            const auto outcome = RunTool({"ls", "--json", "--mode", mode, "--types", "none", "--range", range, image});
            ASSERT_EQ(outcome.status, cli::kExitSuccess) << range << ' ' << mode << ": " << outcome.err;
            // A range that starts at the volume's boot record is that volume's formatted scan.
            const bool ownScanner = std::string(mode) == "formatted" && std::string(range) == "0-99";
            EXPECT_EQ(Volumes(outcome.out), ownScanner ? std::set<int>{0} : volumes) << range << ' ' << mode;
        }
    }
}

// A disk full of boot-record lookalikes fills the table of NTFS boot records: the scan says
// so on stderr and goes on.
TEST(FullScanCommandsTest, AFullCandidateTableIsReported) {
    const std::vector<std::uint8_t> boot = test::ImageBytes("ntfs");
    test::TempDir dir;
    const auto image = dir.Path() / "lookalikes.img";
    {
        std::ofstream out(image, std::ios::binary);
        for (std::size_t sector = 0; sector <= FullScanCandidates{}.ntfsBoots.kCap; ++sector) {
            out.write(reinterpret_cast<const char*>(boot.data()), 512);
        }
    }
    const auto outcome = RunTool({"--lang", "en", "scan", "--mode", "full", "--fs", "ntfs", "--types", "none", image.string()});
    EXPECT_EQ(outcome.status, cli::kExitSuccess) << outcome.err;
    EXPECT_NE(outcome.err.find("kept only the first of them (NTFS boot records)"), std::string::npos) << outcome.err;
}

// A FAT32 volume reformatted and then given new files, read through a loop device (a volume):
// the free-area scan carves the old JPEG from the free clusters and not the new one, whose
// clusters are allocated; carving the whole volume finds both.
TEST(FullScanCommandsTest, TheFreeAreaScanCarvesOnlyTheFreeClusters) {
    if (geteuid() != 0) GTEST_SKIP() << "attaching a loop device needs root";
    const test::LoopDevice loop(test::TestImage("fat32-refilled"));
    if (!loop.Attached()) GTEST_SKIP() << "no loop device could be attached";
    std::uint64_t oldJpeg = 0;
    const std::vector<test::FormerVolume> former = test::FormerVolumes("fat32-refilled");
    for (const test::FormerFile& file : former.at(0).files) {
        if (file.path == "OLD.JPG" && file.survived) oldJpeg = file.firstSector;
    }
    ASSERT_NE(oldJpeg, 0u);
    auto carvedJpegs = [&loop](std::vector<std::string> args) {
        args.insert(args.end(), {"--types", "jpg", loop.Path()});
        const auto outcome = RunTool(args);
        EXPECT_EQ(outcome.status, cli::kExitSuccess) << outcome.err;
        std::set<std::uint64_t> sectors;
        for (const auto& line : test::JsonLines(outcome.out)) {
            if (line["root"] == "types" && !line["dir"].get<bool>()) sectors.insert(line["location"].get<std::uint64_t>());
        }
        return sectors;
    };
    EXPECT_EQ(carvedJpegs({"ls", "-r", "--json", "--mode", "formatted", "--free-area"}), std::set<std::uint64_t>{oldJpeg});
    const auto everywhere = carvedJpegs({"ls", "-r", "--json", "--mode", "full", "--fs", "none"});
    EXPECT_EQ(everywhere.size(), 2u);
    EXPECT_TRUE(everywhere.contains(oldJpeg));
}

TEST(FullScanCommandsTest, TheFreeAreaScanTakesTheFormattedModeOnAWholeVolume) {
    const std::string image = test::TestImage("fat32").string();
    const std::pair<std::vector<std::string>, const char*> cases[] = {
        {{"--mode", "full"}, "--free-area takes --mode formatted"},
        {{"--mode", "deleted"}, "--free-area takes --mode formatted"},
        {{"--mode", "formatted", "--range", "0-99"}, "takes neither --range nor --volume"},
        {{"--mode", "formatted", "--volume", "0"}, "takes neither --range nor --volume"},
        {{"--mode", "formatted"}, "reads a volume (a partition or a loop device)"},
    };
    for (const auto& [options, message] : cases) {
        std::vector<std::string> args{"--lang", "en", "scan", "--free-area", image};
        args.insert(args.end(), options.begin(), options.end());
        const auto outcome = RunTool(args);
        EXPECT_EQ(outcome.status, cli::kExitUsage) << options[1];
        EXPECT_NE(outcome.err.find(message), std::string::npos) << outcome.err;
    }
}

}  // namespace
}  // namespace tundrel
