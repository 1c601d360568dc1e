// `tundrel export` end to end: the selection, the log, collisions without
// a terminal, and the destination refusals on real loop devices.

#include <gtest/gtest.h>
#include <sys/mount.h>

#include <filesystem>
#include <fstream>

#include "cli/exit_codes.h"
#include "export_double.h"
#include "support/strings.h"
#include "support/text.h"

namespace tundrel::cli {
namespace {

namespace fs = std::filesystem;

using test::RunTool;
using Outcome = test::ToolOutcome;

// How many lines of a log file start with `prefix` and hold `part`.
std::size_t CountLines(const fs::path& file, std::string_view prefix, std::string_view part = "") {
    std::ifstream in(file);
    std::size_t count = 0;
    for (std::string line; std::getline(in, line);) {
        if (line.starts_with(prefix) && line.find(part) != std::string::npos) ++count;
    }
    return count;
}

const std::string kDeletedFolder = ToUtf8(Text16(StringId::DeletedFiles));

class ExportCommandTest : public ::testing::Test {
protected:
    fs::path image = test::TestImage("fat16");
    test::TempDir dir;
};

TEST_F(ExportCommandTest, DeletedFilesAreRecoveredAndLoggedOneLineEach) {
    const fs::path out = dir / "new" / "folder";
    const Outcome first = RunTool({"export", image.string(), "--to", out.string(), "--log", (dir / "log.txt").string()});
    ASSERT_EQ(first.status, kExitSuccess) << first.err;
    const fs::path log = dir / "log.txt";
    // part-b.txt (a short name, shown as "#art-b.txt") lost its first cluster to a later file:
    // written, with a caution.
    EXPECT_EQ(CountLines(log, "written\t"), 13u);
    EXPECT_EQ(CountLines(log, "caution\t", "#art-b.txt"), 1u);
    EXPECT_EQ(CountLines(log, "error\t"), 0u);
    EXPECT_EQ(CountLines(log, "", "\r"), 0u);
    EXPECT_TRUE(fs::exists(out / kDeletedFolder / "Deleted Long Name.txt"));
    EXPECT_FALSE(fs::exists(out / ToUtf8(Text16(StringId::RootDirectory))));

    // Again into the same folder, with no terminal to ask on: every file is renamed, none
    // overwritten.
    const auto before = fs::last_write_time(out / kDeletedFolder / "Deleted Long Name.txt");
    const Outcome second = RunTool({"export", image.string(), "--to", out.string(), "--log", (dir / "log2.txt").string()});
    EXPECT_EQ(second.status, kExitSuccess) << second.err;
    EXPECT_EQ(CountLines(dir / "log2.txt", "renamed\t"), 14u);
    EXPECT_EQ(fs::last_write_time(out / kDeletedFolder / "Deleted Long Name.txt"), before);

    const Outcome skipped = RunTool({"export", image.string(), "--to", out.string(), "--on-collision", "skip", "--json"});
    EXPECT_EQ(skipped.status, kExitSuccess);
    EXPECT_EQ(skipped.out.find("\"written\""), std::string::npos);
}

TEST_F(ExportCommandTest, AddressesChooseWhatIsExported) {
    const Outcome outcome =
        RunTool({"export", image.string(), "--to", (dir / "out").string(), "root/Docs/Reports", "deleted/PHOTOS"});
    ASSERT_EQ(outcome.status, kExitSuccess) << outcome.err;
    const fs::path root = dir / "out" / ToUtf8(Text16(StringId::RootDirectory));
    EXPECT_TRUE(fs::exists(root / "Docs" / "Reports" / "annual.txt"));
    EXPECT_TRUE(fs::exists(root / "Docs" / "Reports" / "2023" / "DATA.CSV"));
    EXPECT_FALSE(fs::exists(root / "Docs" / "fragmented.txt"));
    EXPECT_FALSE(fs::exists(root / "README.TXT"));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir / "out" / kDeletedFolder), fs::directory_iterator()), 1);

    EXPECT_EQ(RunTool({"export", image.string(), "--to", (dir / "x").string(), "root/NoSuchFolder"}).status,
              kExitCannotScan);
    EXPECT_FALSE(fs::exists(dir / "x"));
}

// A copy of the sample disk behind a loop device, with ext4 volumes made over parts of it
// through loop devices with offsets, as partitions are: the destinations on the source's
// storage. Needs root, loop devices and ext4.
class SourceStorageTest : public ::testing::Test {
protected:
    void SetUp() override {
        const fs::path sample = test::TestImage("sample-disk");
        if (sample.empty() || ::geteuid() != 0) GTEST_SKIP() << "needs root and the sample disk";
        fs::copy_file(sample, disk);
        whole.emplace(disk);
        // Over the FAT32 partition, and from the NTFS one to the end, over the exFAT one.
        apart.emplace(disk, 512, true, 2048 * 512, 69632 * 512);
        overlapping.emplace(disk, 512, true, 73728 * 512);
        if (!whole->Attached() || !apart->Attached() || !overlapping->Attached()) GTEST_SKIP() << "no loop devices";
        if (!MakeExt4(apart->Path(), apartMount) || !MakeExt4(overlapping->Path(), overlapMount)) {
            GTEST_SKIP() << "cannot make and mount ext4";
        }
    }
    void TearDown() override {
        for (const fs::path& mount : mounted) ::umount2(mount.c_str(), MNT_DETACH);
    }
    bool MakeExt4(const std::string& loop, const fs::path& mount) {
        fs::create_directory(mount);
        // 16 MiB only: the rest of the device keeps the volumes the tests scan.
        if (!test::RunQuietly("mkfs.ext4 -q -F " + loop + " 16M")) return false;
        if (::mount(loop.c_str(), mount.c_str(), "ext4", 0, nullptr) != 0) return false;
        mounted.push_back(mount);
        return true;
    }

    test::TempDir dir;
    fs::path disk = dir / "disk.img";
    fs::path apartMount = dir / "ext4-apart";
    fs::path overlapMount = dir / "ext4-over";
    std::optional<test::LoopDevice> whole, apart, overlapping;
    std::vector<fs::path> mounted;
};

TEST_F(SourceStorageTest, DestinationsOnTheSourceAreRefusedAndTheSameDiskNeedsConsent) {
    const std::string refused(Text(StringId::ExportToSourceRefused).substr(0, 20));
    // The image file itself is the source: a volume built from it is the source volume.
    Outcome outcome = RunTool({"export", disk.string(), "--volume", "108544", "--to", (apartMount / "a").string()});
    EXPECT_EQ(outcome.status, kExitExportIncomplete);
    EXPECT_NE(outcome.err.find(refused), std::string::npos) << outcome.err;

    // The loop over the whole image scanned in its exFAT volume: a destination in the
    // scanned sectors is refused, one elsewhere on the same storage needs a yes.
    outcome = RunTool({"export", whole->Path(), "--volume", "108544", "--to", (overlapMount / "b").string()});
    EXPECT_EQ(outcome.status, kExitExportIncomplete);
    EXPECT_NE(outcome.err.find(std::string(Text(StringId::SameDiskRefused).substr(0, 30))), std::string::npos)
        << outcome.err;

    outcome = RunTool({"export", whole->Path(), "--volume", "108544", "--to", (apartMount / "c").string()});
    EXPECT_EQ(outcome.status, kExitExportIncomplete);
    EXPECT_NE(outcome.err.find("no terminal"), std::string::npos) << outcome.err;
    for (const char* name : {"a", "b", "c"}) {
        EXPECT_FALSE(fs::exists(apartMount / name)) << name;
        EXPECT_FALSE(fs::exists(overlapMount / name)) << name;
    }

    outcome = RunTool({"export", whole->Path(), "--volume", "108544", "--to", (apartMount / "c").string(), "--yes"});
    EXPECT_EQ(outcome.status, kExitSuccess) << outcome.err;
    EXPECT_TRUE(fs::exists(apartMount / "c" / kDeletedFolder / "removed.txt"));
}

}  // namespace
}  // namespace tundrel::cli
