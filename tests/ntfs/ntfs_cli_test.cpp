// The command line over NTFS volumes: listings and file contents against the manifests.

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <nlohmann/json.hpp>
#include <sstream>

#include "cli/exit_codes.h"
#include "manifest.h"
#include "md5.h"
#include "support/strings.h"
#include "support/text.h"
#include "test_support.h"

namespace tundrel {
namespace {

// The JSON Lines of a recursive listing, by path.
std::map<std::string, nlohmann::json> ListRecursively(const std::string& image, const std::string& root) {
    const test::ToolOutcome outcome = test::RunTool({"ls", image, root, "-r", "--json"});
    EXPECT_EQ(outcome.status, cli::kExitSuccess) << outcome.err;
    std::map<std::string, nlohmann::json> nodes;
    std::istringstream lines(outcome.out);
    for (std::string line; std::getline(lines, line);) {
        const auto node = nlohmann::json::parse(line);
        nodes[node["path"].get<std::string>()] = node;
    }
    return nodes;
}

// A volume with 2 MiB clusters; files whose data is valid only up to an
// initialized size below their size (the rest reads as zeros, as the manifest's MD5 says); one
// whose deleted folder lost its name (its parent's index still holds it); files with named
// streams ("file:stream").
class NtfsCliTest : public ::testing::TestWithParam<const char*> {};

TEST_P(NtfsCliTest, ListingsAndContentsMatchTheManifest) {
    const std::string image = test::TestImage(GetParam()).string();
    const auto live = ListRecursively(image, "root");
    const auto deleted = ListRecursively(image, "deleted");
    EXPECT_TRUE(ListRecursively(image, "scanned").empty());
    for (const test::ManifestFile& file : test::LoadNtfsManifest(GetParam())) {
        const auto& listing = file.deleted ? deleted : live;
        const auto found = listing.find(file.path);
        ASSERT_NE(found, listing.end()) << file.path;
        EXPECT_EQ(found->second["dir"], file.isDirectory) << file.path;
        if (file.record) {
            EXPECT_EQ(found->second["record"], *file.record) << file.path;
        }
        const auto& state = found->second["state"];
        EXPECT_EQ(std::find(state.begin(), state.end(), "stream") != state.end(),
                  file.path.find(':') != std::string::npos) << file.path;
        if (file.isDirectory || (file.deleted && !file.reusable)) continue;
        EXPECT_EQ(found->second["size"], file.size) << file.path;
        const test::ToolOutcome cat = test::RunTool({"cat", image, (file.deleted ? "deleted/" : "root/") + file.path});
        EXPECT_EQ(cat.status, cli::kExitSuccess) << file.path << cat.err;
        EXPECT_EQ(test::Md5Hex(cat.out), file.md5) << file.path;
    }
}

INSTANTIATE_TEST_SUITE_P(Images, NtfsCliTest,
                         ::testing::Values("ntfs-2m", "ntfs-initsize", "ntfs-nameless", "ntfs-streams"),
                         [](const auto& info) {
    std::string name = info.param;
    std::erase(name, '-');
    return name;
});

TEST(NtfsStreamExportTest, NamedStreamsAreWrittenBesideTheirFilesAsFileUnderscoreStream) {
    const std::string image = test::TestImage("ntfs-streams").string();
    test::TempDir dir;
    const test::ToolOutcome exported = test::RunTool({"export", image, "root", "deleted", "--yes", "--to", dir.Path().string()});
    ASSERT_EQ(exported.status, cli::kExitSuccess) << exported.err << exported.out;
    const std::filesystem::path live = dir / ToUtf8(Text16(StringId::RootDirectory));
    const std::filesystem::path deleted = dir / ToUtf8(Text16(StringId::DeletedFiles));
    int streams = 0;
    for (const test::ManifestFile& file : test::LoadNtfsManifest("ntfs-streams")) {
        if (file.isDirectory) continue;
        std::string path = file.path;
        std::replace(path.begin(), path.end(), ':', '_');
        streams += path != file.path;
        const auto bytes = test::ReadFileBytes((file.deleted ? deleted : live) / path, 0, 1 << 20);
        EXPECT_EQ(test::Md5Hex(bytes), file.md5) << path;
    }
    EXPECT_EQ(streams, 4);
}

}  // namespace
}  // namespace tundrel
