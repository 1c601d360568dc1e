// The lost-partition search's edges: a stop at once, and a disk larger than its sweep.

#include <gtest/gtest.h>

#include <atomic>

#include "disk/lost_partition_search.h"
#include "memory_device.h"
#include "modes/all_scanners.h"
#include "test_support.h"

namespace tundrel {
namespace {

// A stop before the sweep still lists the table's partitions, sorted, and the whole disk.
TEST(LostPartitionSearchTest, StopAtOnceGivesTheTableAndTheWholeDisk) {
    SectorSource source;
    ASSERT_TRUE(source.Open(ToUtf16(test::TestImage("lost-mbr").string())));
    const std::atomic<std::uint32_t> stop{1};
    const LostPartitionSearch found = SearchLostPartitions(source, AllFileSystems(), stop, {});
    ASSERT_EQ(found.volumes.size(), 2u);
    EXPECT_EQ(found.volumes[0].startSector, 144585u);
    EXPECT_EQ(found.volumes[0].fsType, kFsFat16);
    EXPECT_EQ(found.volumes[1].startSector, 0u);
    EXPECT_EQ(found.volumes[1].sectorCount, source.totalSectors);
    EXPECT_TRUE(found.notes.empty());
}

// The sweep's sector numbers are 32-bit: a larger disk is swept up to 2^32 sectors, and says so.
TEST(LostPartitionSearchTest, DiskBeyondTheSweepIsNoted) {
    constexpr std::uint64_t kSectors = (std::uint64_t{1} << 32) + 100;
    const std::vector<std::uint8_t> nothing(512);
    SectorSource source([&](const std::string&, int&) -> std::unique_ptr<platform::Device> {
        return std::make_unique<test::MemoryDevice>(nothing, 0, kSectors * 512);
    });
    ASSERT_TRUE(source.Open(u"big.img"));
    const std::atomic<std::uint32_t> stop{1};
    const LostPartitionSearch found = SearchLostPartitions(source, AllFileSystems(), stop, {});
    ASSERT_EQ(found.notes.size(), 1u);
    ASSERT_EQ(found.volumes.size(), 1u);
    EXPECT_TRUE(found.volumes[0].beyond2TiB);
    EXPECT_EQ(found.volumes[0].wideCount, kSectors);
}

}  // namespace
}  // namespace tundrel
