// The dispatcher over the whole of carve-raw.img, read in the 64 KiB pieces a carving pass
// reads, with every type on: the image's manifest says where each file was laid and what
// carving must take for it. The dispatcher skips the rules a block cannot concern: over that
// image and over the carve samples in random filler it must find what a plain loop finds that
// offers every block to every rule.

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>

#include "carve/carve_dispatcher.h"
#include "carve_samples.h"
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

// The finds and name counters of `disk` (from sector 0, in pass-sized pieces) through the
// dispatcher and through every block offered to every rule, each with every type on.
void ExpectDispatchFindsWhatEveryBlockFinds(const test::Bytes& disk) {
    Settings settings;
    settings.carveTypes.fill(true);
    std::vector<CarveRule> table = BuildCarveTable(settings), reference = BuildCarveTable(settings);
    CarveNameCounters counters, referenceCounters;
    const CarveSectorReader read = [&disk](std::span<std::uint8_t> buffer, std::uint64_t firstSector) {
        if (firstSector * kCarveBlockBytes + buffer.size() > disk.size()) return false;
        std::copy_n(disk.begin() + static_cast<std::ptrdiff_t>(firstSector * kCarveBlockBytes), buffer.size(), buffer.begin());
        return true;
    };
    CarveContext context{read, counters}, referenceContext{read, referenceCounters};
    ScanProgress progress;
    for (std::size_t offset = 0; offset < disk.size(); offset += kPieceBytes) {
        const auto piece = std::span<const std::uint8_t>(disk).subspan(offset, std::min(kPieceBytes, disk.size() - offset));
        DispatchCarveBlocks(piece, offset / kCarveBlockBytes, table, context, progress);
        for (std::size_t at = 0; piece.size() - at >= kCarveBlockBytes; at += kCarveBlockBytes) {
            for (CarveRule& rule : reference) {
                rule.recognizer->Offer({piece.subspan(at), (offset + at) / kCarveBlockBytes}, referenceContext, rule.found);
            }
        }
    }
    std::size_t finds = 0;
    for (std::size_t r = 0; r < table.size(); ++r) {
        const std::vector<CarvedFile>& got = table[r].found;
        const std::vector<CarvedFile>& want = reference[r].found;
        ASSERT_EQ(got.size(), want.size()) << table[r].info->typeName;
        for (std::size_t i = 0; i < got.size(); ++i) {
            EXPECT_EQ(std::tie(got[i].firstSector, got[i].size, got[i].name, got[i].date, got[i].time),
                      std::tie(want[i].firstSector, want[i].size, want[i].name, want[i].date, want[i].time))
                << table[r].info->typeName << " find " << i;
        }
        finds += got.size();
    }
    EXPECT_GT(finds, 0u);
    EXPECT_EQ(progress.foundCount, finds);
    EXPECT_EQ(std::tie(counters.zip, counters.rar, counters.mp3),
              std::tie(referenceCounters.zip, referenceCounters.rar, referenceCounters.mp3));
}

TEST(CarveRawImageTest, DispatcherFindsWhatEveryBlockToEveryRuleFinds) {
    const std::filesystem::path image = test::TestImage("carve-raw");
    ASSERT_FALSE(image.empty());
    ExpectDispatchFindsWhatEveryBlockFinds(test::FileBytes(image));
    // Each sample after a few sectors of random bytes, from a sector boundary.
    test::Bytes disk;
    for (const test::Sample& sample : test::Samples()) {
        const test::Bytes filler = test::Filler(3, true);
        disk.insert(disk.end(), filler.begin(), filler.end());
        disk.insert(disk.end(), sample.bytes.begin(), sample.bytes.end());
        disk.resize((disk.size() + kCarveBlockBytes - 1) / kCarveBlockBytes * kCarveBlockBytes);
    }
    ExpectDispatchFindsWhatEveryBlockFinds(disk);
}

}  // namespace
}  // namespace tundrel
