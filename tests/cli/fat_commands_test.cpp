// `tundrel ls` and `tundrel cat` on the committed FAT images, against their manifests.

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <sstream>

#include "cli/cli_app.h"
#include "cli/exit_codes.h"
#include "md5.h"
#include "test_support.h"

namespace tundrel::cli {
namespace {

// Runs the tool; returns its standard output, after checking that it succeeded.
std::string Output(std::vector<std::string> args) {
    args.insert(args.begin(), "tundrel");
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    std::ostringstream out, err;
    EXPECT_EQ(Run(static_cast<int>(argv.size()), argv.data(), out, err), kExitSuccess) << args.back() << ": " << err.str();
    return out.str();
}

nlohmann::json Files(const std::string& name, unsigned index) {
    const auto manifest = nlohmann::json::parse(std::ifstream(std::string(TUNDREL_TEST_DATA_DIR) + "/images/" + name + ".manifest.json"));
    for (const auto& volume : manifest["partitions"]) {
        if (volume["index"] == index) return volume["files"];
    }
    return {};
}

std::string Md5Of(const std::string& bytes) { return test::Md5Hex(std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size())); }

// Path -> size of every file that `ls -r --json` prints, of one root folder when `root` is given.
std::map<std::string, std::uint64_t> ListedFiles(const std::vector<std::string>& command, const std::string& root = "") {
    std::map<std::string, std::uint64_t> files;
    std::istringstream lines(Output(command));
    for (std::string line; std::getline(lines, line);) {
        const auto node = nlohmann::json::parse(line);
        if (!node["dir"].get<bool>() && (root.empty() || node["root"] == root)) files[node["path"]] = node["size"];
    }
    return files;
}

class FatCommandsTest : public ::testing::TestWithParam<std::string> {};

TEST_P(FatCommandsTest, ListingShowsEveryLiveFileAndCatWritesFilesByteExact) {
    const std::string image = test::TestImage(GetParam()).string();
    ASSERT_FALSE(image.empty());
    std::map<std::string, std::uint64_t> live;
    for (const auto& file : Files(GetParam(), 0)) {
        if (file["type"] != "file") continue;
        const std::string path = file["path"].get<std::string>().substr(1);
        if (file["state"] == "live") live[path] = file["size"];
        // Deleted files with their long names at the top stand in the deleted root as they were.
        const bool deletedAtTop = file.value("reusable", false) && file["tskPath"] == file["path"] && path.find('/') == std::string::npos;
        if (file["state"] == "live" || deletedAtTop) {
            EXPECT_EQ(Md5Of(Output({"cat", image, (file["state"] == "live" ? "root/" : "deleted/") + path})), file["md5"]) << path;
        }
    }
    EXPECT_EQ(ListedFiles({"ls", image, "root", "-r", "--json"}), live);
    // Without a path, -r lists every root folder with everything below it.
    EXPECT_EQ(ListedFiles({"ls", image, "-r", "--json"}, "root"), live);
}

INSTANTIATE_TEST_SUITE_P(Images, FatCommandsTest, ::testing::Values("fat16", "fat32"),
                         [](const auto& info) { return info.param; });

TEST(FatCommandsOnDiskTest, TheFatPartitionOfTheSampleDiskIsReadFromItsStartSector) {
    const std::string image = test::TestImage("sample-disk").string();
    ASSERT_FALSE(image.empty());
    for (const auto& file : Files("sample-disk", 1)) {
        if (file["type"] != "file" || file["state"] != "live") continue;
        EXPECT_EQ(Md5Of(Output({"cat", image, "--volume", "2048", "root" + file["path"].get<std::string>()})), file["md5"]);
    }
    const auto deleted = ListedFiles({"ls", image, "--volume", "2048", "deleted", "-r", "--json"});
    EXPECT_TRUE(deleted.contains("old-notes.txt"));
    EXPECT_TRUE(deleted.contains("Documents/%23raft.txt"));  // "#" is escaped in addresses
}

}  // namespace
}  // namespace tundrel::cli
