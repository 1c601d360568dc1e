// The dispatcher over the whole of carve-raw.img, read in the 64 KiB pieces a carving pass
// reads, with every type on: the image's manifest says where each file was laid and what
// carving must take for it.

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>

#include "carve/carve_dispatcher.h"
#include "manifest.h"
#include "md5.h"
#include "scan/scan_progress.h"
#include "support/settings.h"
#include "test_support.h"

namespace tundrel {
namespace {

constexpr std::size_t kPieceBytes = 64 * 1024;

TEST(CarveRawImageTest, EveryLaidFileIsFoundWithItsCarvedBytesAndNothingElse) {
    const std::filesystem::path image = test::TestImage("carve-raw");
    ASSERT_FALSE(image.empty());
    const nlohmann::json manifest = test::ManifestJson("carve-raw");
    const std::uint64_t imageBytes = manifest["sizeBytes"];
    Settings settings;
    settings.carveTypes.fill(true);
    std::vector<CarveRule> table = BuildCarveTable(settings);
    ScanProgress progress;
    CarveNameCounters counters;
    CarveContext context{[&](std::span<std::uint8_t> buffer, std::uint64_t firstSector) {
                             const auto bytes = test::ReadFileBytes(image, firstSector * kCarveBlockBytes, buffer.size());
                             std::ranges::copy(bytes, buffer.begin());
                             return bytes.size() == buffer.size();
                         },
                         counters};
    for (std::uint64_t offset = 0; offset < imageBytes; offset += kPieceBytes) {
        const auto piece = test::ReadFileBytes(image, offset, kPieceBytes);
        DispatchCarveBlocks(piece, offset / kCarveBlockBytes, table, context, progress);
    }

    // Each find's size as attaching takes it: cut at the end of the image.
    std::map<std::string, std::uint64_t> found;
    for (const CarveRule& rule : table) {
        for (const CarvedFile& file : rule.found) {
            const std::string at = std::string(rule.info->typeName) + "@" + std::to_string(file.firstSector);
            EXPECT_TRUE(found.emplace(at, std::min(file.size, imageBytes - file.firstSector * kCarveBlockBytes)).second) << at;
        }
    }
    std::size_t expected = 0;
    for (const auto& laid : manifest["carved"]) {
        const std::string name = laid["name"];
        const std::uint64_t sector = laid["sector"];
        const auto find = found.find(laid["type"].get<std::string>() + "@" + std::to_string(sector));
        ++expected;
        if (find == found.end()) {
            ADD_FAILURE() << name << " is not found at sector " << sector;
            continue;
        }
        EXPECT_EQ(find->second, laid["carvedSize"].get<std::uint64_t>()) << name;
        EXPECT_EQ(test::Md5Hex(test::ReadFileBytes(image, sector * kCarveBlockBytes, find->second)), laid["carvedMd5"]) << name;
        found.erase(find);
        for (const auto& held : laid.value("holds", nlohmann::json::array())) {
            ++expected;
            EXPECT_EQ(found.erase(held["type"].get<std::string>() + "@" + std::to_string(held["sector"].get<std::uint64_t>())), 1u)
                << name << " holds a " << held["type"];
        }
    }
    for (const auto& [at, size] : found) ADD_FAILURE() << "unexpected find " << at << " of " << size << " bytes";
    EXPECT_EQ(progress.foundCount, expected);
}

}  // namespace
}  // namespace tundrel
