// The allocation table: its entry values, windows and whole loads, chain heads and live chains.

#include <gtest/gtest.h>

#include "disk/sector_source.h"
#include "fat/chain_heads.h"
#include "fat/fat_regions.h"
#include "fat/fat_table.h"
#include "fat/live_chains.h"
#include "fat_test_support.h"
#include "support/text.h"

namespace tundrel {
namespace {

using test::FatKind;

TEST(FatEntryValueTest, EndOfChainValuesOfEveryWidth) {
    for (const std::uint32_t end : {0u, 0xFF1u, 0xFF7u, 0xFF8u, 0xFFFu}) EXPECT_EQ(NextClusterOf(end, FatWidth::Fat12), 0u) << end;
    for (const std::uint32_t next : {2u, 0xFF0u}) EXPECT_EQ(NextClusterOf(next, FatWidth::Fat12), next) << next;
    for (const std::uint32_t end : {0u, 0xFBFFu, 0xFFF1u, 0xFFF7u, 0xFFFFu}) EXPECT_EQ(NextClusterOf(end, FatWidth::Fat16), 0u) << end;
    for (const std::uint32_t next : {1u, 2u, 0xFBFEu, 0xFFF0u}) EXPECT_EQ(NextClusterOf(next, FatWidth::Fat16), next) << next;
    for (const std::uint32_t end : {0u, 1u, 0x0FFFFFF8u, 0x0FFFFFFFu, 0x1000000Du, 0xFFFFFFFFu}) {
        EXPECT_EQ(NextClusterOf(end, FatWidth::Fat32), 0u) << end;
    }
    for (const std::uint32_t next : {2u, 0xFBFFu, 0x0FFFFFF7u, 0x0FFFFFF9u, 0x0FFFFFFEu}) {
        EXPECT_EQ(NextClusterOf(next, FatWidth::Fat32), next) << next;
    }
}

// Two FAT12 entries share three bytes: entries 0-3 of a floppy's table, 0xFF0 0xFFF 0x003 0x004,
// are stored as F0 FF FF 03 40 00.
TEST(FatEntryValueTest, TwelveBitEntriesArePackedInPairs) {
    const std::vector<std::uint8_t> stored{0xF0, 0xFF, 0xFF, 0x03, 0x40, 0x00};
    const std::uint32_t values[] = {0xFF0, 0xFFF, 0x003, 0x004};
    std::vector<std::uint8_t> written(stored.size(), 0xAA);
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(ReadFatEntry(stored, i, FatWidth::Fat12), values[i]) << i;
        WriteFatEntry(written, i, FatWidth::Fat12, values[i]);
    }
    EXPECT_EQ(written, stored);
    EXPECT_EQ(ReadFatEntry(stored, 4, FatWidth::Fat12), 0u);  // runs past the bytes
    // A window that starts at table byte 3 holds entries 2 and 3 only.
    EXPECT_EQ(ReadFatEntry(std::span(stored).subspan(3), 3, FatWidth::Fat12, 3), 0x004u);
    EXPECT_EQ(ReadFatEntry(std::span(stored).subspan(3), 1, FatWidth::Fat12, 3), 0u);
}

class FatTableTest : public ::testing::Test {
protected:
    FatTable& Open(test::FatVolumeBuilder& volume, std::uint32_t fsType) {
        EXPECT_TRUE(source.Open(ToUtf16(volume.Write(dir / "volume.img").string())));
        regions = ComputeFatRegions(FatBootParameters::Parse(volume.bytes), fsType, true, source.totalSectors);
        table.Configure(&source, regions->tableStart, regions->tableSectors, regions->width);
        return table;
    }
    test::TempDir dir;
    SectorSource source;
    std::optional<FatRegions> regions;
    FatTable table;
};

TEST_F(FatTableTest, WindowsAndTheWholeTableAgreeAcrossTheTable) {
    test::FatVolumeBuilder volume(FatKind::Fat32, 70000);  // a table several 64 KiB windows long
    const std::uint32_t probes[] = {3, 16383, 16384, 40000, 69999};
    for (const std::uint32_t cluster : probes) volume.SetFat(cluster, cluster + 7);
    FatTable& fat = Open(volume, 2);
    for (int pass = 0; pass < 2; ++pass) {
        for (const std::uint32_t cluster : probes) EXPECT_EQ(fat.NextCluster(cluster), cluster + 7) << cluster;
        EXPECT_EQ(fat.NextCluster(static_cast<std::uint32_t>(fat.EntryCount())), 0u);
        ASSERT_TRUE(fat.LoadWhole());
        EXPECT_EQ(fat.Loaded().size(), regions->tableSectors * 512);
    }
}

TEST_F(FatTableTest, ChainHeadsAndTheClustersLiveNodesOwn) {
    test::FatVolumeBuilder volume(FatKind::Fat16);
    volume.Chain({10, 11, 12});
    volume.Chain({20, 21});
    volume.Chain({30, 31});
    volume.SetFat(31, 30);  // a loop is cleared and ends
    volume.SetFat(40, 41);  // a chain whose rest was freed keeps its head
    FatTable& fat = Open(volume, 1);
    ASSERT_TRUE(fat.LoadWhole());
    EXPECT_EQ(CountChainHeads(fat.Loaded(), FatWidth::Fat16), 3u);  // the loop has no head

    std::vector<std::uint8_t> copy(fat.Loaded().begin(), fat.Loaded().end());
    ScanNode root, live, deleted, looping;
    live.location = 10;
    deleted.location = 20;
    deleted.Set(kFlagDeleted, true);
    looping.location = 30;
    root.children = {live, deleted, looping};
    const std::atomic<std::uint32_t> stop{0};
    ClearLiveChains(root, copy, FatWidth::Fat16, stop);
    auto entry = [&](std::size_t cluster) { return copy[cluster * 2] | (copy[cluster * 2 + 1] << 8); };
    for (const std::size_t cleared : {10, 11, 12, 30, 31}) EXPECT_EQ(entry(cleared), 0) << cleared;
    EXPECT_EQ(entry(20), 21);
    EXPECT_EQ(entry(40), 41);
}

}  // namespace
}  // namespace tundrel
