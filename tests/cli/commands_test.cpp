// The command line's contract: outputs and exit statuses.

#include <gtest/gtest.h>

#include <fstream>

#include "cli/cli_app.h"
#include "cli/exit_codes.h"
#include "cli/export_log_lines.h"
#include "manifest.h"
#include "test_support.h"

namespace tundrel::cli {
namespace {

using test::RunTool;
using Outcome = test::ToolOutcome;

class CommandsTest : public ::testing::Test {
protected:
    std::string Image(std::size_t bytes) {
        const auto path = dir / "disk.img";
        std::ofstream(path, std::ios::binary) << std::string(bytes, '\0');
        return path.string();
    }
    test::TempDir dir;
};

TEST_F(CommandsTest, InfoReportsTheSourceFactsAsJson) {
    const Outcome outcome = RunTool({"info", Image(5 * 512 + 100), "--json"});
    ASSERT_EQ(outcome.status, kExitSuccess) << outcome.err;
    const auto facts = nlohmann::json::parse(outcome.out);
    EXPECT_EQ(facts["totalSectors"], 5);
    EXPECT_EQ(facts["bytesPerSector"], 512);
    EXPECT_EQ(facts["sectorsPerCylinder"], 63);
    EXPECT_EQ(facts["kind"], "image");
    EXPECT_EQ(facts["model"], "");
}

TEST_F(CommandsTest, UsageErrorsExitWithOneAndSourcesThatCannotBeOpenedWithTwo) {
    const std::string image = Image(4096);
    const std::string missing = (dir / "missing.img").string();
    const std::pair<std::vector<std::string>, int> cases[] = {
        {{}, kExitUsage},
        {{"frobnicate"}, kExitUsage},
        {{"scan", image, "--mode", "everything"}, kExitUsage},
        {{"scan", image, "--volume", "12x"}, kExitUsage},
        {{"scan", image, "--volume", ""}, kExitUsage},
        {{"cat", image, "nowhere/x"}, kExitUsage},
        {{"--help"}, kExitSuccess},
        {{"cat", image, "root/x", "--json"}, kExitUsage},  // cat prints data, never nodes
        {{"scan", missing, "--mode", "full", "--fs", "none", "--types", "none"}, kExitUsage},  // said before opening
        {{"scan", image, "--mode", "full", "--fs", "hfs"}, kExitUsage},
        {{"scan", image, "--mode", "full", "--range", "5-3"}, kExitUsage},
        {{"scan", image, "--mode", "full", "--range", "5"}, kExitUsage},
        {{"scan", image, "--mode", "full", "--range", "0-4294967296"}, kExitUsage},
        {{"scan", image, "--range", "0-3"}, kExitUsage},  // the deleted-file mode takes no range
        {{"scan", image, "--mode", "full", "--range", "0-8"}, kExitCannotScan},  // past the end
        {{"scan", image, "--mode", "lost"}, kExitUsage},
        {{"scan", missing, "--code-page", "klingon"}, kExitUsage},  // said before opening
        {{"scan", missing, "--code-page", ""}, kExitUsage},
        {{"scan", missing, "--code-page", "windows-1252"}, kExitSourceError},
        {{"export", image, "--to", dir.Path().string(), "--log-format", "tsv"}, kExitUsage},  // no --log
        {{"export", image, "--to", dir.Path().string(), "--log", missing, "--log-format", "csv"}, kExitUsage},
        {{"info", missing}, kExitSourceError},
        {{"partitions", missing}, kExitSourceError},
    };
    for (const auto& [args, status] : cases) EXPECT_EQ(RunTool(args).status, status) << testing::PrintToString(args);
    EXPECT_EQ(RunTool({"--version"}).out, std::string("tundrel ") + TUNDREL_VERSION + "\n");
    const Outcome nothing = RunTool({"--lang", "en", "scan", missing, "--mode", "full", "--fs", "none", "--types", "none"});
    EXPECT_NE(nothing.err.find("give --fs with fat, ntfs or exfat, or --types"), std::string::npos) << nothing.err;
    // Why it cannot be opened, in the system's words; a bare name is a disk, not a file here.
    const Outcome scan = RunTool({"scan", missing});
    EXPECT_EQ(scan.status, kExitSourceError);
    EXPECT_NE(scan.err.find("cannot open source '" + missing + "': No such file or directory"), std::string::npos);
    EXPECT_NE(RunTool({"info", dir.Path().string()}).err.find("Is a directory"), std::string::npos);
    const std::filesystem::path before = std::filesystem::current_path();
    std::filesystem::current_path(dir.Path());
    const Outcome bare = RunTool({"info", "disk.img"});
    std::filesystem::current_path(before);
    EXPECT_NE(bare.err.find("write './disk.img'"), std::string::npos) << bare.err;
    // An empty image gets the same answer from every command.
    for (const char* command : {"info", "partitions", "scan"}) {
        const Outcome empty = RunTool({command, Image(0)});
        EXPECT_EQ(empty.status, kExitSourceError) << command;
        EXPECT_NE(empty.err.find("has no sectors"), std::string::npos) << command;
    }
}

TEST_F(CommandsTest, ScanWithoutAFileSystemSaysSoAndFails) {
    const Outcome outcome = RunTool({"scan", Image(64 * 512)});
    EXPECT_EQ(outcome.status, kExitCannotScan);
    EXPECT_NE(outcome.err.find("no NTFS, FAT or exFAT file system"), std::string::npos);
}

// Whatever a name from the disk holds, a record stays one line of valid UTF-8.
TEST(ExportLogLinesTest, ARecordIsOneLineOfValidTextWhateverItsNamesHold) {
    ScanNode node;
    node.name = u"a\tb\nc\\\xD800";  // a lone surrogate: a damaged name
    const ExportRecord record{ExportStatus::Renamed, nullptr, &node, "d/a_b_c\\\xFF", 5, "why\r\nnot"};
    EXPECT_EQ(RecordLine(LogFormat::Tsv, record, "0:root/a\tb\nc\\"),
              "renamed\t0:root/a\\tb\\nc\\\\\td/a_b_c\\\\\xFF\t5\twhy\\r\\nnot");
    const std::string line = RecordLine(LogFormat::JsonLines, record, "0:root/x");
    EXPECT_EQ(line.find('\n'), std::string::npos);
    const nlohmann::json json = nlohmann::json::parse(line);
    EXPECT_EQ(json["name"], "a\tb\nc\\\uFFFD");
    EXPECT_EQ(json["path"], "d/a_b_c\\\uFFFD");
    EXPECT_EQ(json["reason"], "why\r\nnot");
    EXPECT_EQ(json["size"], 5);
}

// The file systems of the sample disk's volumes: the names and type codes the tool gives them.
const std::map<std::string, std::string> kNames = {{"fat32", "FAT32"}, {"ntfs", "NTFS"}, {"exfat", "exFAT"}};
const std::map<std::string, std::uint32_t> kCodes = {{"fat32", 2}, {"ntfs", 3}, {"exfat", 4}};

// The sample disk: FAT32 at 2048, then NTFS and exFAT in logical partitions.
class SampleDiskCommandsTest : public ::testing::Test {
protected:
    void SetUp() override {
        const nlohmann::json manifest = test::ManifestJson("sample-disk");
        for (const auto& partition : manifest["partitions"]) {
            if (partition["fs"] != "extended") volumes.push_back(partition);
        }
        ASSERT_EQ(volumes.size(), 3u);
    }
    std::string image = test::TestImage("sample-disk").string();
    std::vector<nlohmann::json> volumes;
};

TEST_F(SampleDiskCommandsTest, PartitionsPrintsOneJsonObjectPerVolume) {
    const Outcome outcome = RunTool({"partitions", image, "--json"});
    ASSERT_EQ(outcome.status, kExitSuccess) << outcome.err;
    const std::vector<nlohmann::json> lines = test::JsonLines(outcome.out);
    ASSERT_EQ(lines.size(), volumes.size());
    for (std::size_t i = 0; i < lines.size(); ++i) {
        EXPECT_EQ(lines[i]["startSector"], volumes[i]["startSector"]);
        EXPECT_EQ(lines[i]["sectorCount"], volumes[i]["sectorCount"]);
        EXPECT_EQ(lines[i]["typeName"], kNames.at(volumes[i]["fs"]));
        EXPECT_EQ(lines[i]["fsType"], kCodes.at(volumes[i]["fs"]));
        EXPECT_EQ(lines[i]["label"], volumes[i]["label"]);
        EXPECT_EQ(lines[i]["bootValid"], true);
        EXPECT_EQ(lines[i]["driveLetter"], "");  // an image file is never mounted
        EXPECT_TRUE(lines[i].contains("createdText"));
    }

    const Outcome table = RunTool({"partitions", image});
    ASSERT_EQ(table.status, kExitSuccess);
    EXPECT_NE(table.out.find("73728"), std::string::npos);
    EXPECT_NE(table.out.find("SAMPLENTFS"), std::string::npos);
}

TEST_F(CommandsTest, PartitionsOfAVolumeImageIsTheVolumeItself) {
    const auto fat16 = test::TestImage("fat16");
    const Outcome outcome = RunTool({"partitions", fat16.string(), "--json"});
    ASSERT_EQ(outcome.status, kExitSuccess) << outcome.err;
    const std::vector<nlohmann::json> lines = test::JsonLines(outcome.out);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0]["startSector"], 0);
    EXPECT_EQ(lines[0]["typeName"], "FAT16");
    EXPECT_EQ(lines[0]["label"], "FAT16TEST");

    EXPECT_EQ(RunTool({"partitions", Image(4096), "--json"}).out, "");
}

TEST_F(SampleDiskCommandsTest, ScanTakesEveryPartitionOrTheOneTheVolumeOptionNames) {
    const Outcome all = RunTool({"scan", image, "-q"});
    ASSERT_EQ(all.status, kExitSuccess) << all.err;
    for (const auto& volume : volumes) {
        const std::string line = kNames.at(volume["fs"]) + " at sector " + volume["startSector"].dump();
        EXPECT_NE(all.out.find(line), std::string::npos) << all.out;
    }
    // -q leaves out the progress display only, never the listing.
    EXPECT_NE(all.out.find("readme.txt"), std::string::npos) << all.out;

    EXPECT_EQ(RunTool({"scan", image, "-q", "--volume", "73728"}).status, kExitSuccess);
    const Outcome between = RunTool({"scan", image, "-q", "--volume", "71680"});  // the extended partition
    EXPECT_EQ(between.status, kExitCannotScan);
    EXPECT_NE(between.err.find("no volume starts at sector 71680"), std::string::npos) << between.err;
}

}  // namespace
}  // namespace tundrel::cli
