// The lost-partition search's edges: a stop at once, and a disk larger than its sweep.

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <map>

#include "disk/lost_partition_search.h"
#include "disk_builder.h"
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

// A FAT16 volume whose boot sector is gone (FAT16 keeps no backup), a track after the end of
// the partition before it, off any cylinder start: rebuilt from its two FATs and the cluster
// size its folders show, and scanned. (Damage made here: its boot sector zeroed.)
TEST(LostPartitionSearchTest, FatVolumeWithoutBootSectorIsFoundAfterThePartitionBefore) {
    if (!test::HaveTools({"sfdisk", "mkfs.fat", "mmd", "mcopy"})) GTEST_SKIP() << "sfdisk, mkfs.fat and mtools are needed";
    test::TempDir dir;
    const std::filesystem::path disk = dir / "disk.img";
    const std::filesystem::path big = dir / "big.bin";
    const std::vector<std::uint8_t> bigBytes = test::PatternBytes(3 << 20);
    test::WriteBinaryFile(big, bigBytes);
    constexpr std::uint64_t kLost = 63 + 20000 + 63;
    ASSERT_TRUE(test::MakePartitionedDisk(disk, 230000, "label: dos\nstart=63, size=20000, type=6\n"));
    ASSERT_TRUE(test::FormatVolume(disk, 63, 20000, {"mkfs.fat -F 16 -s 1 {}"}));
    ASSERT_TRUE(test::FormatVolume(disk, kLost, 32768,
                                   {"mkfs.fat -F 16 -s 4 -n GEOMETRY {}", "mmd -i {} ::D1 ::D2 ::D3 ::D4 ::D5 ::D6",
                                    "mcopy -i {} '" + big.string() + "' ::BIG.BIN"}));
    test::WipeSector(disk, kLost);

    SectorSource source;
    ASSERT_TRUE(source.Open(ToUtf16(disk.string())));
    const std::atomic<std::uint32_t> stop{0};
    const LostPartitionSearch found = SearchLostPartitions(source, AllFileSystems(), stop, {});
    ASSERT_EQ(found.volumes.size(), 3u);
    EXPECT_EQ(found.volumes[1].startSector, kLost);
    EXPECT_EQ(found.volumes[1].fsType, kFsFat16);
    EXPECT_TRUE(found.volumes[1].bootValid);

    const test::ToolOutcome listed = test::RunTool({"ls", "--json", "--mode", "partition", "--volume",
                                                    std::to_string(kLost), "--types", "none", disk.string(), "0:root"});
    ASSERT_EQ(listed.status, 0) << listed.err;
    std::map<std::string, std::uint64_t> sizes;
    for (const auto& line : test::JsonLines(listed.out)) sizes[line["path"].get<std::string>()] = line["size"];
    EXPECT_EQ(sizes.size(), 7u);
    EXPECT_EQ(sizes["BIG.BIN"], bigBytes.size());
}

// lost-mbr's NTFS volume without its backup boot sector too (its first sector is zeroed
// already; damage made here): the run of MFT records the sweep meets places its MFT, and the
// volume is rebuilt from its records.
TEST(LostPartitionSearchTest, NtfsVolumeWithoutBootSectorsIsRebuiltFromItsMft) {
    test::TempDir dir;
    const std::filesystem::path disk = test::CopyOfImage("lost-mbr", dir.Path());
    test::WipeSector(disk, 80325 + 16075);
    SectorSource source;
    ASSERT_TRUE(source.Open(ToUtf16(disk.string())));
    const std::atomic<std::uint32_t> stop{0};
    const LostPartitionSearch found = SearchLostPartitions(source, AllFileSystems(), stop, {});
    const auto ntfs = std::ranges::find(found.volumes, 80325u, &VolumeInfo::startSector);
    ASSERT_NE(ntfs, found.volumes.end());
    EXPECT_EQ(ntfs->fsType, kFsNtfs);
    EXPECT_TRUE(ntfs->bootValid);
    EXPECT_EQ(ntfs->label, u"LOSTNTFS");
}

// A GUID-partitioned disk made again by sfdisk with one partition over other boundaries: the
// old FAT32 and exFAT volumes at cylinder starts are found, and the new partition once.
TEST(LostPartitionSearchTest, VolumesOfAGuidTableMadeAgainAreFound) {
    if (!test::HaveTools({"sfdisk", "mkfs.fat", "mkfs.exfat"})) GTEST_SKIP() << "sfdisk, mkfs.fat and mkfs.exfat are needed";
    test::TempDir dir;
    const std::filesystem::path disk = dir / "disk.img";
    const std::string basic = "type=EBD0A0A2-B9E5-4433-87C0-68B6B72699C7\n";
    ASSERT_TRUE(test::MakePartitionedDisk(disk, 200000, "label: gpt\nstart=16065, size=69632, " + basic +
                                                            "start=96390, size=16384, " + basic));
    ASSERT_TRUE(test::FormatVolume(disk, 16065, 69632, {"mkfs.fat -F 32 -s 1 -n OLDFAT {}", "mmd -i {} ::DOCS"}));
    ASSERT_TRUE(test::FormatVolume(disk, 96390, 16384, {"mkfs.exfat -L OLDEXFAT {}"}));
    ASSERT_TRUE(test::RunQuietly("printf 'label: gpt\\nstart=2048, size=190000, " + basic.substr(0, basic.size() - 1) +
                                 "\\n' | sfdisk --no-reread --no-tell-kernel --wipe never --wipe-partitions never '" +
                                 disk.string() + "'"));

    SectorSource source;
    ASSERT_TRUE(source.Open(ToUtf16(disk.string())));
    const std::atomic<std::uint32_t> stop{0};
    const LostPartitionSearch found = SearchLostPartitions(source, AllFileSystems(), stop, {});
    ASSERT_EQ(found.volumes.size(), 4u);
    EXPECT_EQ(found.volumes[0].startSector, 2048u);
    EXPECT_EQ(found.volumes[1].startSector, 16065u);
    EXPECT_EQ(found.volumes[1].label, u"OLDFAT");
    EXPECT_EQ(found.volumes[2].startSector, 96390u);
    EXPECT_EQ(found.volumes[2].fsType, kFsExFat);
    EXPECT_EQ(found.volumes[2].sectorCount, 16384u);
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
