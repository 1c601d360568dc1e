// Check-disk files on the fat32-chk image: `ls` shows them under the names their content earns
// them (in the lost files after a deleted-file scan, in place after the others), the one that
// holds a directory cluster as that folder, and `export` writes them byte for byte.

#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "cli/exit_codes.h"
#include "manifest.h"
#include "md5.h"
#include "test_support.h"

namespace tundrel::cli {
namespace {

namespace fs = std::filesystem;

// The nodes `ls -r --json` prints, by address.
std::map<std::string, nlohmann::json> Listing(const std::string& image, const std::string& mode) {
    const test::ToolOutcome outcome = test::RunTool({"ls", image, "-r", "--json", "--mode", mode});
    EXPECT_EQ(outcome.status, kExitSuccess) << outcome.err;
    std::map<std::string, nlohmann::json> nodes;
    for (const auto& node : test::JsonLines(outcome.out)) nodes[node["address"].get<std::string>()] = node;
    return nodes;
}

TEST(CheckDiskCommandsTest, FilesAreNamedByContentAndExportedWhole) {
    const std::string image = test::TestImage("fat32-chk").string();
    const nlohmann::json manifest = test::ManifestJson("fat32-chk")["partitions"][0]["files"];
    test::TempDir dir;
    const test::ToolOutcome exported = test::RunTool({"export", image, "lost", "-q", "--to", (dir / "out").string()});
    ASSERT_EQ(exported.status, kExitSuccess) << exported.err;
    const fs::path lost = dir / "out" / ToUtf8(Text16(StringId::LostFiles));

    struct Mode {
        const char* name;
        const char* root;  // where the check-disk files stand
    };
    for (const Mode mode : {Mode{"deleted", "lost"}, Mode{"formatted", "root"}}) {
        SCOPED_TRACE(mode.name);
        const std::map<std::string, nlohmann::json> nodes = Listing(image, mode.name);
        const bool moved = mode.root == std::string("lost");
        int checked = 0;
        for (const nlohmann::json& entry : manifest) {
            const std::string path = entry["path"].get<std::string>().substr(1);
            const std::string folder = path.substr(0, path.rfind('/') + 1);
            const std::string address = std::string("0:") + mode.root + "/";
            if (entry.contains("shownAs")) {
                const std::string shown = folder + entry["shownAs"].get<std::string>();
                ASSERT_TRUE(nodes.contains(address + shown)) << shown;
                EXPECT_EQ(nodes.at(address + shown)["size"], entry["size"]) << shown;
                EXPECT_EQ(nodes.contains("0:root/" + path), !moved && shown == path) << path;
                if (moved) {
                    EXPECT_EQ(test::Md5Hex(test::FileBytes(lost / shown)), entry["md5"]) << shown;
                }
                ++checked;
            }
            // Only the deleted-file scan reads directories on demand.
            if (entry.contains("holdsFolder") && moved) {
                ASSERT_TRUE(nodes.contains(address + path)) << path;
                EXPECT_TRUE(nodes.at(address + path)["dir"].get<bool>()) << path;
                const std::string held = entry["holdsFolder"].get<std::string>() + "/";
                for (const nlohmann::json& file : manifest) {
                    const std::string name = file["path"].get<std::string>();
                    if (!name.starts_with(held)) continue;
                    const std::string inside = path + "/" + name.substr(held.size());
                    ASSERT_TRUE(nodes.contains(address + inside)) << inside;
                    EXPECT_EQ(nodes.at(address + inside)["size"], file["size"]) << inside;
                    EXPECT_EQ(test::Md5Hex(test::FileBytes(lost / inside)), file["md5"]) << inside;
                    ++checked;
                }
            }
        }
        EXPECT_EQ(checked, moved ? 8 : 6);
    }
}

}  // namespace
}  // namespace tundrel::cli
