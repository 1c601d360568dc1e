// Recycled files listed and exported at the paths their recycle bin's records name, on the
// fat32-recycle and ntfs-recycle images.

#include <gtest/gtest.h>

#include <algorithm>
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

class RecycleBinCommandsTest : public ::testing::TestWithParam<const char*> {};

TEST_P(RecycleBinCommandsTest, RecycledFilesStandAtTheirFormerPaths) {
    const std::string image = test::TestImage(GetParam()).string();
    const test::ToolOutcome listing = test::RunTool({"ls", image, "deleted", "-r", "--json"});
    ASSERT_EQ(listing.status, kExitSuccess) << listing.err;
    std::map<std::string, std::uint64_t> listed;  // every file of the deleted root, by path
    for (const auto& node : test::JsonLines(listing.out)) {
        if (node["dir"] == false) listed[node["path"].get<std::string>()] = node["size"].get<std::uint64_t>();
    }

    // The recycled files at their former paths, pruned from their recycle-bin folder; the
    // records, and the item whose extension differs from its record's, where they were.
    std::map<std::string, std::uint64_t> expected;
    std::map<std::string, std::string> formerMd5;
    const nlohmann::json manifest = test::ManifestJson(GetParam());
    const std::vector<test::ManifestFile> files = test::LoadManifest(GetParam());
    const auto& entries = manifest["partitions"][0]["files"];
    for (std::size_t i = 0; i < files.size(); ++i) {
        const test::ManifestFile& file = files[i];
        if (file.isDirectory || file.path.starts_with("Docs/")) continue;
        if (entries[i].contains("formerPath")) {
            // "C:\Docs\a.txt" is listed as "C:/Docs/a.txt".
            std::string path = entries[i]["formerPath"].get<std::string>();
            std::replace(path.begin(), path.end(), '\\', '/');
            expected[path] = file.size;
            formerMd5[path] = file.md5;
        } else {
            expected[file.deleted ? test::DeletedRootPath(file) : file.path] = file.size;
        }
    }
    EXPECT_EQ(formerMd5.size(), std::string(GetParam()) == "ntfs-recycle" ? 3u : 5u);
    EXPECT_EQ(listed, expected);

    test::TempDir dir;
    std::vector<std::string> exportArgs{"export", image, "-q", "--to", (dir / "out").string()};
    for (const auto& [path, md5] : formerMd5) {
        const std::string drive = "deleted/" + path.substr(0, 2);
        if (exportArgs.back() != drive) exportArgs.push_back(drive);
    }
    const test::ToolOutcome exported = test::RunTool(exportArgs);
    ASSERT_EQ(exported.status, kExitSuccess) << exported.err;
    // A ":" cannot stand in a folder name here: the export writes "C:" as "C_".
    const fs::path folder = dir / "out" / ToUtf8(Text16(StringId::DeletedFiles));
    for (const auto& [path, md5] : formerMd5) {
        const std::string written = path.substr(0, 1) + "_" + path.substr(2);
        EXPECT_EQ(test::Md5Hex(test::FileBytes(folder / written)), md5) << path;
    }
}

INSTANTIATE_TEST_SUITE_P(Images, RecycleBinCommandsTest, ::testing::Values("fat32-recycle", "ntfs-recycle"),
                         [](const auto& info) {
                             std::string name = info.param;
                             std::erase(name, '-');
                             return name;
                         });

}  // namespace
}  // namespace tundrel::cli
