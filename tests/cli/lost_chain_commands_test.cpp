// Chains the table still allocates but no directory names (fat32-lostchains): the deleted-file
// mode lists them under the lost root, folders as Dir_NN and the rest in "Lost Files", and
// export writes them as the manifest says.

#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "cli/exit_codes.h"
#include "manifest.h"
#include "md5.h"
#include "support/strings.h"
#include "support/text.h"
#include "test_support.h"

namespace tundrel::cli {
namespace {

namespace fs = std::filesystem;

// Path below the root to size (0 for folders), of `ls IMAGE ROOT -r --json` with the options.
std::map<std::string, std::uint64_t> Listed(const std::string& image, const std::string& root,
                                            std::vector<std::string> options = {}) {
    std::vector<std::string> args{"ls", image, root, "-r", "--json", "-q"};
    args.insert(args.end(), options.begin(), options.end());
    const test::ToolOutcome outcome = test::RunTool(args);
    EXPECT_EQ(outcome.status, kExitSuccess) << outcome.err;
    std::map<std::string, std::uint64_t> nodes;
    for (const auto& node : test::JsonLines(outcome.out)) {
        nodes[node["path"].get<std::string>()] = node["dir"].get<bool>() ? 0 : node["size"].get<std::uint64_t>();
    }
    return nodes;
}

TEST(LostChainCommandsTest, LostChainsAreListedUnderTheLostRootAndExportedByteExact) {
    const std::string image = test::TestImage("fat32-lostchains").string();
    const std::string lostFiles = ToUtf8(Text16(StringId::LostFiles));
    std::map<std::string, std::uint64_t> lost{{lostFiles, 0}}, deleted;
    struct Written {
        std::uint64_t size;
        std::string md5;  // of the file's own bytes, the first `size` of its clusters for a lost file
    };
    std::map<std::string, Written> expectedFiles;
    const nlohmann::json manifest = test::ManifestJson("fat32-lostchains");
    for (const auto& file : manifest["partitions"][0]["files"]) {
        if (!file.contains("lostPath")) continue;
        std::string path = file["lostPath"];
        const bool isDirectory = file["type"] == "dir";
        if (file["state"] == "deleted") {
            // Its long name went with its entry: its 8.3 name lost its first character.
            path.replace(path.rfind('/') + 1, 1, "#");
            deleted[path.substr(0, path.rfind('/'))] = 0;
            deleted[path] = file["size"];
            continue;
        }
        lost[path] = isDirectory ? 0 : file["lostSize"].get<std::uint64_t>();
        if (!isDirectory) expectedFiles[path] = {file["size"], file["md5"]};
    }
    ASSERT_EQ(lost.size(), 1 + 10 + 1 + 16u);  // Lost Files, Dir_01 to Dir_10, Sub Folder, 16 files
    ASSERT_TRUE(lost.contains("Dir_10/item 10.txt"));
    EXPECT_EQ(Listed(image, "lost"), lost);
    EXPECT_EQ(Listed(image, "deleted"), deleted);
    // Only the deleted-file mode searches the chains.
    EXPECT_TRUE(Listed(image, "lost", {"--mode", "formatted"}).empty());

    test::TempDir dir;
    const test::ToolOutcome exported = test::RunTool({"export", image, "lost", "-q", "--to", (dir / "out").string()});
    ASSERT_EQ(exported.status, kExitSuccess) << exported.err;
    const fs::path folder = dir / "out" / lostFiles;
    for (const auto& [path, written] : expectedFiles) {
        const std::vector<std::uint8_t> bytes = test::FileBytes(folder / path);
        ASSERT_EQ(bytes.size(), lost.at(path)) << path;
        EXPECT_EQ(test::Md5Hex(std::span(bytes).first(written.size)), written.md5) << path;
    }
}

}  // namespace
}  // namespace tundrel::cli
