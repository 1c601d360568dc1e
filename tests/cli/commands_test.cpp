// The command line's contract: outputs and exit statuses.

#include <gtest/gtest.h>

#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "cli/cli_app.h"
#include "cli/exit_codes.h"
#include "test_support.h"

namespace tundrel::cli {
namespace {

struct Outcome {
    int status;
    std::string out;
    std::string err;
};

Outcome RunTool(std::vector<std::string> args) {
    args.insert(args.begin(), "tundrel");
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    std::ostringstream out, err;
    const int status = Run(static_cast<int>(argv.size()), argv.data(), out, err);
    return {status, out.str(), err.str()};
}

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

TEST_F(CommandsTest, SourceThatCannotBeOpenedExitsWithTwo) {
    EXPECT_EQ(RunTool({"info", (dir / "missing.img").string()}).status, kExitSourceError);
    const Outcome scan = RunTool({"scan", (dir / "missing.img").string()});
    EXPECT_EQ(scan.status, kExitSourceError);
    EXPECT_NE(scan.err.find("cannot open"), std::string::npos);
}

TEST_F(CommandsTest, UsageErrorsExitWithOne) {
    EXPECT_EQ(RunTool({}).status, kExitUsage);
    EXPECT_EQ(RunTool({"frobnicate"}).status, kExitUsage);
    EXPECT_EQ(RunTool({"scan", Image(4096), "--mode", "everything"}).status, kExitUsage);
    EXPECT_EQ(RunTool({"scan", Image(4096), "--volume", "12x"}).status, kExitUsage);
    EXPECT_EQ(RunTool({"cat", Image(4096), "nowhere/x"}).status, kExitUsage);
    EXPECT_EQ(RunTool({"--help"}).status, kExitSuccess);
}

TEST_F(CommandsTest, ScanWithoutAFileSystemOrScannerSaysSoAndFails) {
    const std::string image = Image(64 * 512);
    const Outcome deleted = RunTool({"scan", image});
    EXPECT_EQ(deleted.status, kExitCannotScan);
    EXPECT_NE(deleted.err.find("no NTFS, FAT or exFAT file system"), std::string::npos);

    const Outcome beyond = RunTool({"scan", image, "--volume", "64"});
    EXPECT_EQ(beyond.status, kExitCannotScan);
    EXPECT_NE(beyond.err.find("no volume starts at sector 64"), std::string::npos);
}

}  // namespace
}  // namespace tundrel::cli
