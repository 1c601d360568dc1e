// `tundrel ls` and `tundrel cat` on every committed volume, against the manifests.

#include <gtest/gtest.h>

#include <algorithm>
#include <ctime>
#include <map>

#include "cli/exit_codes.h"
#include "manifest.h"
#include "md5.h"
#include "test_support.h"

namespace tundrel::cli {
namespace {

class ImageCommandsTest : public ::testing::TestWithParam<test::CommittedVolume> {
protected:
    std::vector<std::string> Command(std::vector<std::string> args) const {
        args.insert(args.begin() + 2, {"--volume", std::to_string(GetParam().startSector)});
        return args;
    }
    // The nodes that `ls -r --json` prints, by root folder and path; of every root without `root`.
    std::map<std::string, nlohmann::json> Listing(const std::string& root = "") const {
        std::vector<std::string> args{"ls", image, "-r", "--json"};
        if (!root.empty()) args.insert(args.begin() + 2, root);
        const test::ToolOutcome outcome = test::RunTool(Command(args));
        EXPECT_EQ(outcome.status, kExitSuccess) << outcome.err;
        std::map<std::string, nlohmann::json> nodes;
        for (const auto& node : test::JsonLines(outcome.out)) {
            nodes[node["root"].get<std::string>() + "/" + node["path"].get<std::string>()] = node;
        }
        return nodes;
    }
    // Where the listing shows a manifest entry. Deleted FAT names lost their first character,
    // shown as "#".
    static std::string AddressOf(const test::ManifestFile& file) {
        return file.deleted ? "deleted/" + test::DeletedRootPath(file) : "root/" + file.path;
    }
    struct Zone {
        const char* name;
        std::int64_t offsetSeconds;
        const char* offsetText;
    };
    // The JSON time of a manifest entry. The images were written in UTC: NTFS and exFAT record
    // the moment, shown in the process's zone with its offset; FAT records the clock's digits.
    std::string ModifiedText(const test::ManifestFile& file, const Zone& zone) const {
        const bool zoned = std::string(GetParam().fs) == "ntfs" || std::string(GetParam().fs) == "exfat";
        const std::time_t shown = file.mtimeEpoch + (zoned ? zone.offsetSeconds : 0);
        std::tm fields{};
        gmtime_r(&shown, &fields);
        char text[32];
        std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &fields);
        return std::string(text) + (zoned ? zone.offsetText : "");
    }
    std::string image = test::TestImage(GetParam().image).string();
};

TEST_P(ImageCommandsTest, ListingsAndContentsMatchTheManifest) {
    const test::CommittedVolume& volume = GetParam();
    std::map<std::string, nlohmann::json> listed = Listing("root");
    listed.merge(Listing("deleted"));
    int files = 0;
    for (const test::ManifestFile& file : test::LoadManifest(volume.image, volume.partition)) {
        const std::string address = AddressOf(file);
        const std::string path = address.substr(address.find('/') + 1);
        if (!test::DataExpected(volume, file) && !file.isDirectory) continue;
        ASSERT_TRUE(listed.contains(address)) << address;
        const nlohmann::json& node = listed[address];
        EXPECT_EQ(node["dir"].get<bool>(), file.isDirectory) << address;
        EXPECT_EQ(node["state"].dump().find("\"deleted\"") != std::string::npos, file.deleted) << address;
        EXPECT_EQ(node["state"].dump().find("\"stream\"") != std::string::npos, path.find(':') != std::string::npos)
            << address;
        // The Sleuth Kit's inode is the MFT record on NTFS (and absent where it cannot read the volume).
        if (std::string(volume.fs) == "ntfs" && file.record) {
            EXPECT_EQ(node["record"], *file.record) << address;
        }
        if (file.isDirectory) continue;
        if (std::string(volume.fs) == "ntfs") {
            const std::string state = node["state"].dump();
            // An empty $DATA is too short to count as data of any kind; data wrongly taken as held
            // in the record fails the MD5 below.
            if (file.resident && file.size > 0) {
                EXPECT_NE(state.find("\"inrecord\""), std::string::npos) << address;
            }
            EXPECT_EQ(state.find("\"compressed\"") != std::string::npos, file.compressed) << address;
            EXPECT_EQ(state.find("\"free\"") != std::string::npos, file.deleted) << address;
        }
        // A deleted file whose clusters are free was not overwritten.
        EXPECT_EQ(node["state"].dump().find("\"overwritten\""), std::string::npos) << address;
        ++files;
        EXPECT_EQ(node["size"].get<std::uint64_t>(), file.size) << address;
        const test::ToolOutcome cat = test::RunTool(Command({"cat", image, address}));
        EXPECT_EQ(cat.status, kExitSuccess) << address << cat.err;
        EXPECT_EQ(test::Md5Hex(cat.out), file.md5) << address;
    }
    EXPECT_GT(files, 0);
    // Without a path, -r lists every root folder with everything below it.
    std::map<std::string, nlohmann::json> everything = Listing();
    // Every file's address as listed leads `ls` (and so `cat`) back to that file.
    for (const auto& [key, node] : everything) {
        if (node["dir"] == true) continue;
        const test::ToolOutcome again = test::RunTool(Command({"ls", image, node["address"].get<std::string>(), "--json"}));
        EXPECT_EQ(test::JsonLines(again.out), std::vector{node}) << key << again.err;
    }
    const auto notLiveFile = [](const auto& entry) { return !entry.first.starts_with("root/") || entry.second["dir"] == true; };
    std::erase_if(everything, notLiveFile);
    std::erase_if(listed, notLiveFile);
    EXPECT_EQ(everything, listed);
}

TEST_P(ImageCommandsTest, ModifiedTimesMatchTheManifestInEachZone) {
    for (const Zone& zone : {Zone{"UTC", 0, "+00:00"}, Zone{"Asia/Tokyo", 9 * 3600, "+09:00"}}) {
        const test::TimeZone setZone(zone.name);
        std::map<std::string, nlohmann::json> listed = Listing("root");
        listed.merge(Listing("deleted"));
        int checked = 0;
        for (const test::ManifestFile& file : test::LoadManifest(GetParam().image, GetParam().partition)) {
            const auto node = listed.find(AddressOf(file));
            if (node == listed.end()) continue;
            EXPECT_EQ(node->second["modified"], ModifiedText(file, zone)) << zone.name << " " << node->first;
            ++checked;
        }
        EXPECT_GT(checked, 0) << zone.name;
    }
}

// The text listing gives each node one line, whatever its name holds (tabs, line feeds).
TEST(TextListingTest, EachNodeHasOneLine) {
    const std::string image = test::TestImage("ntfs-names").string();
    const test::ToolOutcome text = test::RunTool({"ls", image, "-r"});
    const test::ToolOutcome json = test::RunTool({"ls", image, "-r", "--json"});
    ASSERT_EQ(text.status, kExitSuccess) << text.err;
    EXPECT_EQ(std::count(text.out.begin(), text.out.end(), '\n'), std::count(json.out.begin(), json.out.end(), '\n'));
}

INSTANTIATE_TEST_SUITE_P(Volumes, ImageCommandsTest, ::testing::ValuesIn(test::kCommittedVolumes),
                         [](const auto& info) { return test::NameOf(info.param); });
INSTANTIATE_TEST_SUITE_P(NtfsFeatures, ImageCommandsTest, ::testing::ValuesIn(test::kNtfsFeatureVolumes),
                         [](const auto& info) { return test::NameOf(info.param); });

}  // namespace
}  // namespace tundrel::cli
