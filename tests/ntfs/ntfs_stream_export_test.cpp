// Named streams exported beside their files, against the manifest.

#include <gtest/gtest.h>

#include <algorithm>

#include "cli/exit_codes.h"
#include "manifest.h"
#include "md5.h"
#include "support/strings.h"
#include "support/text.h"
#include "test_support.h"

namespace tundrel {
namespace {

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
