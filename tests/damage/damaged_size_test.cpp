// One-byte damaged copies of the committed images (tests/images/*-size, -length, -loop): the
// size is listed as recorded and marked, and an export writes no more than the clusters a sound
// reading holds, which each manifest names with their MD5.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "manifest.h"
#include "md5.h"
#include "support/strings.h"
#include "test_support.h"

namespace tundrel {
namespace {

namespace fs = std::filesystem;

struct DamagedImage {
    const char* name;
    const char* address;  // the damaged file's node
    bool sizeBeyondVolume;
};

class DamagedImageTest : public ::testing::TestWithParam<DamagedImage> {};

// The total size that ends the selection summary, the second line of an export ("8 folders,
// 7 files, size 12.34M"), in bytes.
double SummaryBytes(const std::string& out) {
    const std::size_t lineEnd = out.find('\n', out.find('\n') + 1);
    const std::size_t at = out.rfind(' ', lineEnd);
    if (lineEnd == std::string::npos || at == std::string::npos) return -1;
    std::istringstream text(out.substr(at + 1, lineEnd - at - 1));
    double value = 0;
    char unit = 'B';
    text >> value >> unit;
    const std::string units = "BKMGT";
    const std::size_t power = units.find(unit);
    return power == std::string::npos ? -1 : value * static_cast<double>(std::uint64_t{1} << (10 * power));
}

TEST_P(DamagedImageTest, ListsTheRecordedSizeAndExportsOnlyWhatTheExtentsHold) {
    const DamagedImage& damaged = GetParam();
    const fs::path image = test::TestImage(damaged.name);
    const nlohmann::json manifest = test::ManifestJson(damaged.name);
    const auto& files = manifest["partitions"][0]["files"];
    const auto entry = std::find_if(files.begin(), files.end(), [](const auto& file) { return file.contains("held"); });
    ASSERT_NE(entry, files.end());
    const nlohmann::json& held = (*entry)["held"];
    const std::uint64_t volumeBytes = manifest["sizeBytes"];

    const test::ToolOutcome listed = test::RunTool({"ls", image.string(), damaged.address, "--json"});
    ASSERT_EQ(listed.status, 0) << listed.err;
    const nlohmann::json node = nlohmann::json::parse(listed.out);
    EXPECT_EQ(node["size"], (*entry)["size"]);
    const auto& state = node["state"];
    EXPECT_EQ(std::find(state.begin(), state.end(), "damaged") != state.end(), damaged.sizeBeyondVolume);

    // The default set holds the deleted file; the live file with the looping chain is named.
    test::TempDir dir;
    std::vector<std::string> args{"export", image.string(), "--to", (dir / "out").string(), "--yes", "--log",
                                  (dir / "log").string()};
    if (!damaged.sizeBeyondVolume) args.push_back(damaged.address);
    const test::ToolOutcome exported = test::RunTool(args);
    const double total = SummaryBytes(exported.out);
    EXPECT_GE(total, 0) << exported.out;
    EXPECT_LT(total, 2.0 * static_cast<double>(volumeBytes)) << "the free-space question counts the recorded size";

    const std::string name = node["name"];
    std::vector<std::uint8_t> written;
    for (const auto& file : fs::recursive_directory_iterator(dir / "out")) {
        if (!file.is_regular_file()) continue;
        EXPECT_LE(file.file_size(), volumeBytes) << file.path();
        if (file.path().filename() == name) written = test::FileBytes(file.path());
    }
    std::ifstream logFile(dir / "log");
    const std::string log((std::istreambuf_iterator<char>(logFile)), std::istreambuf_iterator<char>());
    // Written but doubtful: cut to what the volume holds, or zeros where the chain ends.
    const std::vector<nlohmann::json> records = test::JsonLines(log);
    const auto record = std::find_if(records.begin(), records.end(),
                                     [&](const nlohmann::json& line) { return line["address"] == damaged.address; });
    ASSERT_NE(record, records.end()) << log;
    EXPECT_EQ((*record)["status"], "caution") << log;
    EXPECT_EQ((*record)["size"], written.size()) << log;
    const std::string caution = std::string(Text(StringId::SizeBeyondVolumeWritten)).substr(0, 30);
    EXPECT_EQ((*record)["reason"].get<std::string>().starts_with(caution), damaged.sizeBeyondVolume) << log;

    // `cat` gives the clusters held and, for a size the volume can hold, zeros after them.
    const test::ToolOutcome cat = test::RunTool({"cat", image.string(), damaged.address});
    const std::uint64_t heldBytes = held["bytes"];
    const std::uint64_t length = damaged.sizeBeyondVolume ? heldBytes : (*entry)["size"].get<std::uint64_t>();
    ASSERT_EQ(cat.out.size(), length);
    EXPECT_EQ(test::Md5Hex(std::string_view(cat.out).substr(0, heldBytes)), held["md5"].get<std::string>());
    EXPECT_TRUE(std::all_of(cat.out.begin() + static_cast<std::ptrdiff_t>(heldBytes), cat.out.end(),
                            [](char byte) { return byte == 0; }));
    // Export keeps the bytes read in a piece that is only partly readable, as `cat` does.
    EXPECT_EQ(std::string(written.begin(), written.end()), cat.out);
}

INSTANTIATE_TEST_SUITE_P(OneByteChanged, DamagedImageTest,
                         ::testing::Values(DamagedImage{"exfat-length", "0:deleted/deleted.txt", true},
                                           DamagedImage{"fat32-size", "0:deleted/#ELETED.TXT", true},
                                           DamagedImage{"fat16-loop", "0:root/Docs/fragmented.txt", false}),
                         [](const auto& info) {
                             std::string name = info.param.name;
                             std::replace(name.begin(), name.end(), '-', '_');
                             return name;
                         });

}  // namespace
}  // namespace tundrel
