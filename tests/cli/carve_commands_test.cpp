// Files found by their content alone in the free clusters of FAT32, exFAT and NTFS volumes: `ls`
// lists them under the file-types root and `export` writes them as the manifest says they lie.
// On FAT the same pass finds the folders no directory names any more.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <set>

#include "carve/carve_samples.h"
#include "carve/recognizer.h"
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

// The folder of a type's finds: DOC, XLS, PPT and JPG stand first, their names led by a space.
std::string FolderOf(const std::string& type) {
    return type == "DOC" || type == "XLS" || type == "PPT" || type == "JPG" ? " " + type : type;
}

// A find as the test compares it: "folder/name@first sector".
std::string FindKey(const std::string& folder, const std::string& name, std::uint64_t sector) {
    return folder + "/" + name + "@" + std::to_string(sector);
}

// The tool run in this process, its running name numbers (ZIP 1.zip) counting from 1 as in a
// fresh run of the program.
test::ToolOutcome RunFresh(const std::vector<std::string>& args) {
    ProgramNameCounters() = {};
    return test::RunTool(args);
}

// Finds by key to size, of `ls IMAGE types -r --json` with the given options.
std::map<std::string, std::uint64_t> TypedFiles(const std::string& image, std::vector<std::string> options) {
    std::vector<std::string> args{"ls", image, "types", "-r", "--json", "-q"};
    args.insert(args.end(), options.begin(), options.end());
    const test::ToolOutcome outcome = RunFresh(args);
    EXPECT_EQ(outcome.status, kExitSuccess) << outcome.err;
    std::map<std::string, std::uint64_t> files;
    for (const auto& node : test::JsonLines(outcome.out)) {
        if (node["dir"].get<bool>()) continue;
        const std::string path = node["path"];
        const std::string key = FindKey(path.substr(0, path.find('/')), node["name"], node["location"]);
        EXPECT_TRUE(files.emplace(key, node["size"].get<std::uint64_t>()).second) << "found twice: " << key;
        // A date taken from the content (a photo's EXIF date) is local time of no known zone.
        const std::string modified = node["modified"];
        EXPECT_TRUE(modified.empty() || modified.size() == 19) << key << ": " << modified;
    }
    return files;
}

class CarveCommandsTest : public ::testing::TestWithParam<const char*> {
protected:
    std::string image = test::TestImage(GetParam()).string();
    nlohmann::json manifest = test::ManifestJson(GetParam());
};

TEST_P(CarveCommandsTest, FreeClustersAreListedByTypeAndExportedAsTheyLie) {
    std::map<std::string, std::uint64_t> expected;
    std::map<std::string, std::multiset<std::string>> expectedMd5;  // folder to the MD5s of its files
    for (const auto& entry : manifest["carved"]) {
        const std::string type = entry["type"], name = entry["carvedName"], md5 = entry["carvedMd5"];
        const std::uint64_t sector = entry["sector"], size = entry["carvedSize"];
        EXPECT_TRUE(expected.emplace(FindKey(FolderOf(type), name, sector), size).second) << name;
        expectedMd5[FolderOf(type)].insert(md5);
        // A TIFF header with "CR" at 8 is a NEF too.
        if (type == "CR2") {
            expected[FindKey("NEF", name.substr(0, name.size() - 3) + "nef", sector)] = size;
            expectedMd5["NEF"].insert(md5);
        }
    }
    ASSERT_EQ(expected.size(), manifest["carved"].size() + 1);
    // The deleted BMP and JPEG whose entries the scan lists are not reported again by content,
    // unless the finds of listed files are kept.
    EXPECT_EQ(TypedFiles(image, {"--types", "all", "--carve-free"}), expected);
    const auto kept = TypedFiles(image, {"--types", "all", "--carve-free", "--keep-listed"});
    EXPECT_GT(kept.size(), expected.size());
    for (const auto& [key, size] : expected) EXPECT_EQ(kept.count(key), 1u) << key;
    // The type folders stand in the type table's order on every file system.
    std::vector<std::size_t> order;
    for (const auto& folder : test::JsonLines(test::RunTool({"ls", image, "types", "--json", "-q", "--types", "all", "--carve-free"}).out)) {
        std::string name = folder["name"];
        if (name.starts_with(' ')) name.erase(0, 1);
        order.push_back(static_cast<std::size_t>(
            std::ranges::find(kCarveTypes, name, &CarveTypeInfo::typeName) - kCarveTypes.begin()));
    }
    EXPECT_TRUE(std::ranges::is_sorted(order));
    EXPECT_EQ(order.size(), expectedMd5.size());

    // Two finds of one name in a folder (a.zip) are both written, the second renamed.
    test::TempDir dir;
    const test::ToolOutcome exported = RunFresh({"export", image, "types", "-q", "--types", "ALL", "--carve-free",
                                                      "--on-collision", "rename", "--to", (dir / "out").string()});
    ASSERT_EQ(exported.status, kExitSuccess) << exported.err;
    const fs::path out = dir / "out" / ToUtf8(Text16(StringId::FileTypes));
    for (const auto& [folder, md5s] : expectedMd5) {
        std::multiset<std::string> written;
        for (const auto& file : fs::directory_iterator(out / folder)) written.insert(test::Md5Hex(test::FileBytes(file.path())));
        EXPECT_EQ(written, md5s) << folder;
    }
}

TEST_P(CarveCommandsTest, TypesAndTheFreeSpaceSwitchChooseWhatIsCarved) {
    // Carving the free space is off by default, but exFAT's search for lost folders reads every
    // free cluster anyway and looks for files by content in the same sweep. "none" switches
    // every type off.
    const bool sweepsAnyway = std::string(GetParam()) == "carve-exfat";
    EXPECT_EQ(TypedFiles(image, {}).empty(), !sweepsAnyway);
    EXPECT_EQ(TypedFiles(image, {"--types", "all"}).empty(), !sweepsAnyway);
    EXPECT_TRUE(TypedFiles(image, {"--types", "none", "--carve-free"}).empty());
    // The defaults leave SWF, PDF and BMP off.
    const auto all = TypedFiles(image, {"--types", "all", "--carve-free"});
    const auto defaults = TypedFiles(image, {"--carve-free"});
    EXPECT_EQ(TypedFiles(image, {"--carve-free", "--mode", "formatted"}), defaults);
    EXPECT_EQ(defaults.size(), std::ranges::count_if(all, [](const auto& find) {
                  return !find.first.starts_with("SWF/") && !find.first.starts_with("PDF/") && !find.first.starts_with("BMP/");
              }));
    for (const auto& [key, size] : defaults) EXPECT_EQ(all.at(key), size) << key;
    const auto chosen = TypedFiles(image, {"--types", "Wav,bmp", "--carve-free"});
    EXPECT_EQ(chosen.size(), 2u);

    const test::ToolOutcome unknown = test::RunTool({"ls", image, "--types", "wav,gif", "--carve-free"});
    EXPECT_EQ(unknown.status, kExitUsage);
    EXPECT_NE(unknown.err.find("'gif'"), std::string::npos) << unknown.err;
}

// The RAR archives of the shared test data, written into the free clusters that carve-fat32
// keeps for it, are found by content.
TEST(CarveRarTest, RarArchivesInFreeClustersAreFound) {
    if (!fs::is_directory(test::kRarTestData)) GTEST_SKIP() << "no RAR test data in " << test::kRarTestData;
    const nlohmann::json reserved = test::ManifestJson("carve-fat32")["reserved"];
    test::TempDir dir;
    const fs::path image = test::CopyOfImage("carve-fat32", dir.Path());
    std::map<std::string, std::uint64_t> expected;
    std::uint64_t sector = reserved["sector"];
    for (const test::RarArchive& rar : test::kRarArchives) {
        const std::vector<std::uint8_t> bytes = test::FileBytes(test::kRarTestData / rar.file);
        const std::uint64_t sectors = (bytes.size() + test::kSector - 1) / test::kSector + 1;  // a free sector after each
        ASSERT_LE(sector + sectors, reserved["sector"].get<std::uint64_t>() + reserved["sectors"].get<std::uint64_t>());
        test::PatchFile(image, sector * test::kSector, bytes);
        if (*rar.name != '\0') expected[FindKey("RAR", rar.name, sector)] = rar.size == 0 ? bytes.size() : rar.size;
        sector += sectors;
    }
    EXPECT_EQ(TypedFiles(image.string(), {"--types", "rar", "--carve-free"}), expected);
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
