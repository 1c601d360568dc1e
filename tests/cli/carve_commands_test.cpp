// Files found by their content alone in the free clusters of FAT32, exFAT and NTFS volumes: `ls`
// lists them under the file-types root and `export` writes them as the manifest says they lie.
// On FAT the same pass finds the folders no directory names any more.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>

#include "cli/exit_codes.h"
#include "manifest.h"
#include "md5.h"
#include "support/carve_types.h"
#include "support/strings.h"
#include "support/text.h"
#include "test_support.h"

namespace tundrel::cli {
namespace {

namespace fs = std::filesystem;

struct TypeName {
    const char* folder;
    const char* prefix;
    const char* extension;
};
// Each type's folder and the name it gives a find, before and after its first sector.
const std::map<std::string, TypeName> kNames{
    {"WAV", {"WAV", "WAVE ", ".wav"}},       {"AVI", {"AVI", "AVI ", ".avi"}},
    {"BMP", {"BMP", "Bitmap ", ".bmp"}},     {"SWF", {"SWF", "SWF ", ".swf"}},
    {"CDR", {"CDR", "CDR ", ".cdr"}},        {"CR2", {"CR2", "RAW Picture ", ".cr2"}},
    {"NEF", {"NEF", "RAW Picture ", ".nef"}}, {"ORF", {"ORF", "RAW Picture ", ".orf"}},
};

std::string CarvedPath(const std::string& type, std::uint64_t sector) {
    const TypeName& name = kNames.at(type);
    return std::string(name.folder) + "/" + name.prefix + std::to_string(sector) + name.extension;
}

class CarveCommandsTest : public ::testing::TestWithParam<const char*> {
protected:
    // Path below the types root to size, of `ls types -r --json` with the given options.
    std::map<std::string, std::uint64_t> TypedFiles(std::vector<std::string> options) const {
        std::vector<std::string> args{"ls", image, "types", "-r", "--json", "-q"};
        args.insert(args.end(), options.begin(), options.end());
        const test::ToolOutcome outcome = test::RunTool(args);
        EXPECT_EQ(outcome.status, kExitSuccess) << outcome.err;
        std::map<std::string, std::uint64_t> files;
        for (const auto& node : test::JsonLines(outcome.out)) {
            if (!node["dir"].get<bool>()) files[node["path"].get<std::string>()] = node["size"].get<std::uint64_t>();
        }
        return files;
    }

    std::string image = test::TestImage(GetParam()).string();
    nlohmann::json manifest = test::ManifestJson(GetParam());
};

TEST_P(CarveCommandsTest, FreeClustersAreListedByTypeAndExportedAsTheyLie) {
    std::map<std::string, std::string> expectedMd5;  // path below the types root
    std::map<std::string, std::uint64_t> expected;
    for (const auto& entry : manifest["carved"]) {
        const std::string type = entry["type"];
        const std::uint64_t sector = entry["sector"];
        expected[CarvedPath(type, sector)] = entry["carvedSize"];
        expectedMd5[CarvedPath(type, sector)] = entry["carvedMd5"];
        // A TIFF header with "CR" at 8 is a NEF too.
        if (type == "CR2") {
            expected[CarvedPath("NEF", sector)] = entry["carvedSize"];
            expectedMd5[CarvedPath("NEF", sector)] = entry["carvedMd5"];
        }
    }
    ASSERT_EQ(expected.size(), manifest["carved"].size() + 1);
    // The deleted BMP whose entry the scan lists is not reported again by content.
    EXPECT_EQ(TypedFiles({"--types", "all", "--carve-free"}), expected);
    // The type folders stand in the type table's order on every file system.
    std::vector<std::size_t> order;
    for (const auto& folder : test::JsonLines(test::RunTool({"ls", image, "types", "--json", "-q", "--types", "all", "--carve-free"}).out)) {
        std::string name = folder["name"];
        if (name.starts_with(' ')) name.erase(0, 1);
        order.push_back(static_cast<std::size_t>(
            std::ranges::find(kCarveTypes, name, &CarveTypeInfo::typeName) - kCarveTypes.begin()));
    }
    EXPECT_TRUE(std::ranges::is_sorted(order));
    EXPECT_GE(order.size(), 5u);

    test::TempDir dir;
    const test::ToolOutcome exported =
        test::RunTool({"export", image, "types", "-q", "--types", "ALL", "--carve-free", "--to", (dir / "out").string()});
    ASSERT_EQ(exported.status, kExitSuccess) << exported.err;
    const fs::path folder = dir / "out" / ToUtf8(Text16(StringId::FileTypes));
    for (const auto& [path, md5] : expectedMd5) {
        EXPECT_EQ(test::Md5Hex(test::FileBytes(folder / path)), md5) << path;
    }
}

TEST_P(CarveCommandsTest, TypesAndTheFreeSpaceSwitchChooseWhatIsCarved) {
    // Carving the free space is off by default; "none" switches every type off.
    EXPECT_TRUE(TypedFiles({}).empty());
    EXPECT_TRUE(TypedFiles({"--types", "all"}).empty());
    EXPECT_TRUE(TypedFiles({"--types", "none", "--carve-free"}).empty());
    // The defaults leave SWF and BMP off.
    const auto defaults = TypedFiles({"--carve-free"});
    EXPECT_EQ(defaults.size(), 7u);
    for (const auto& [path, size] : defaults) EXPECT_FALSE(path.starts_with("SWF/") || path.starts_with("BMP/")) << path;
    const auto chosen = TypedFiles({"--types", "Wav,bmp", "--carve-free"});
    EXPECT_EQ(chosen.size(), 2u);

    const test::ToolOutcome unknown = test::RunTool({"ls", image, "--types", "wav,gif", "--carve-free"});
    EXPECT_EQ(unknown.status, kExitUsage);
    EXPECT_NE(unknown.err.find("'gif'"), std::string::npos) << unknown.err;
}

INSTANTIATE_TEST_SUITE_P(Images, CarveCommandsTest, ::testing::Values("carve-fat32", "carve-exfat", "carve-ntfs"));

// The root entries of "/Lost Folder" and "/Restore Logs" were taken out: the first is listed
// below the scanned root as "Dir_<its first cluster>", its subfolder inside it; the second,
// holding only restore-point logs, is left out.
TEST(LostFolderCommandsTest, LostFolderIsListedBelowTheScannedRootAndExported) {
    const std::string image = test::TestImage("fat32-lostdir").string();
    const std::string lost = "Lost Folder";
    std::map<std::string, std::uint64_t> expected;  // path below the scanned root, to size
    std::map<std::string, std::string> expectedMd5;
    std::string top;
    for (const test::ManifestFile& file : test::LoadManifest("fat32-lostdir")) {
        if (file.path == lost) top = "Dir_" + std::to_string(file.firstCluster);
    }
    ASSERT_FALSE(top.empty());
    expected[top] = 0;
    for (const test::ManifestFile& file : test::LoadManifest("fat32-lostdir")) {
        if (!file.path.starts_with(lost + "/")) continue;
        // A name kept only in its 8.3 entry lost its first character: The Sleuth Kit shows "_", we "#".
        std::string name = file.path.substr(file.path.rfind('/') + 1);
        if (file.tskPath.ends_with("/_" + name.substr(1))) name = "#" + name.substr(1);
        const std::string path = top + file.path.substr(lost.size(), file.path.rfind('/') - lost.size() + 1) + name;
        expected[path] = file.isDirectory ? 0 : file.size;
        if (!file.isDirectory) expectedMd5[path] = file.md5;
    }
    ASSERT_EQ(expectedMd5.size(), 5u);

    const auto listed = [&image](std::vector<std::string> options) {
        std::vector<std::string> args{"ls", image, "scanned", "-r", "--json", "-q"};
        args.insert(args.end(), options.begin(), options.end());
        std::map<std::string, std::uint64_t> nodes;
        for (const auto& node : test::JsonLines(test::RunTool(args).out)) {
            nodes[node["path"].get<std::string>()] = node["dir"].get<bool>() ? 0 : node["size"].get<std::uint64_t>();
        }
        return nodes;
    };
    EXPECT_EQ(listed({"--carve-free"}), expected);
    // The search reads the free clusters only when the carving pass does, in the deleted-file mode.
    EXPECT_TRUE(listed({}).empty());
    EXPECT_TRUE(listed({"--carve-free", "--mode", "formatted"}).empty());

    test::TempDir dir;
    const test::ToolOutcome exported =
        test::RunTool({"export", image, "scanned/" + top, "-q", "--carve-free", "--to", (dir / "out").string()});
    ASSERT_EQ(exported.status, kExitSuccess) << exported.err;
    const fs::path folder = dir / "out" / ToUtf8(Text16(StringId::ScannedFiles));
    for (const auto& [path, md5] : expectedMd5) {
        EXPECT_EQ(test::Md5Hex(test::FileBytes(folder / path)), md5) << path;
    }
}

}  // namespace
}  // namespace tundrel::cli
