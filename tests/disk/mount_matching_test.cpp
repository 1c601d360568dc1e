// Telling which mounted volume a partition found on a disk is.

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <vector>

#include "disk/mount_matching.h"
#include "disk/mounted_volume.h"
#include "disk/partition_list.h"
#include "disk/sector_source.h"
#include "fault_device.h"
#include "modes/all_scanners.h"
#include "support/byte_reader.h"
#include "support/text.h"
#include "test_support.h"

namespace tundrel {
namespace {

constexpr platform::DeviceNumber kSourceDisk{8, 16};

// The partitions of the sample disk: FAT32 at 2048, NTFS at 73728, exFAT at 108544.
class MountMatchingTest : public ::testing::Test {
protected:
    void SetUp() override {
        const auto image = test::TestImage("sample-disk");
        ASSERT_TRUE(source.Open(ToUtf16(image.string())));
        std::atomic<std::uint32_t> stop{0};
        records = ListPartitions(source, stop, AllFileSystems());
        ASSERT_EQ(records.size(), 3u);
    }

    // The volume as the system would have it mounted: the same partition, seen through its device.
    MountedVolume MountedAs(const VolumeInfo& record, std::string fsName) const {
        MountedVolume mounted;
        mounted.bootSector = record.bootSector;
        mounted.startSector = record.startSector;
        mounted.sectorCount = record.sectorCount;
        mounted.fsName = std::move(fsName);
        mounted.mountPoint = "/media/user/VOLUME " + std::to_string(record.startSector);
        mounted.device = {8, 17};
        mounted.disk = kSourceDisk;
        return mounted;
    }

    std::string MountPointOf(VolumeInfo record, const std::vector<MountedVolume>& mounted,
                             std::optional<platform::DeviceNumber> sourceDevice = kSourceDisk) {
        AssignMountPoint(mounted, record, source, sourceDevice, AllFileSystems());
        return record.mountPoint;
    }

    SectorSource source;
    std::vector<VolumeInfo> records;
};

TEST_F(MountMatchingTest, EachPartitionFindsItsOwnMount) {
    const std::vector<MountedVolume> mounted = {MountedAs(records[2], "exFAT"), MountedAs(records[1], "NTFS"),
                                                MountedAs(records[0], "FAT32")};
    for (const VolumeInfo& record : records) {
        EXPECT_EQ(MountPointOf(record, mounted), "/media/user/VOLUME " + std::to_string(record.startSector));
    }
    EXPECT_EQ(MountPointOf(records[1], mounted, std::nullopt), "");  // an image file is no mounted disk

    VolumeInfo whole = records[1];
    whole.startSector = 0;  // as listed when the partition itself is the source
    EXPECT_EQ(MountPointOf(whole, {mounted[1]}, mounted[1].device), mounted[1].mountPoint);
    EXPECT_EQ(MountPointOf(whole, {mounted[1]}, platform::DeviceNumber{8, 18}), "");
}

// Each case changes the mount of one partition (0: FAT32, 1: NTFS, 2: exFAT) and says whether
// it still is that partition's mount.
TEST_F(MountMatchingTest, OnlyTheSameLayoutAtTheSamePlaceOfTheSameDiskMatches) {
    ASSERT_NE(ByteReader(records[1].bootSector).U64(48), ByteReader(records[1].bootSector).U64(56));
    const auto swapMftAndMirror = [](MountedVolume& m) {
        std::swap_ranges(m.bootSector.begin() + 48, m.bootSector.begin() + 56, m.bootSector.begin() + 56);
    };
    const struct {
        const char* change;
        std::size_t record;
        std::function<void(MountedVolume&)> apply;
        bool matches;
    } cases[] = {
        {"none", 0, [](MountedVolume&) {}, true},
        {"MFT and mirror swapped", 1, swapMftAndMirror, true},
        {"another MFT", 1, [](MountedVolume& m) { m.bootSector[56] ^= 1; }, false},
        {"10000 sectors more", 1, [](MountedVolume& m) { m.sectorCount += 10000; }, true},
        {"10001 sectors more", 1, [](MountedVolume& m) { m.sectorCount += 10001; }, false},
        {"10001 sectors fewer", 1, [](MountedVolume& m) { m.sectorCount -= 10001; }, false},
        {"another disk", 0, [](MountedVolume& m) { m.disk = {8, 32}; }, false},
        {"one sector on", 0, [](MountedVolume& m) { m.startSector += 1; }, false},
        {"FAT12/16's name", 0, [](MountedVolume& m) { m.fsName = "FAT"; }, false},
        {"another FAT size", 0, [](MountedVolume& m) { m.bootSector[36] ^= 1; }, false},
        {"another exFAT cluster count", 2, [](MountedVolume& m) { m.bootSector[92] ^= 1; }, false},
    };
    const char* const names[] = {"FAT32", "NTFS", "exFAT"};
    for (const auto& c : cases) {
        MountedVolume mounted = MountedAs(records[c.record], names[c.record]);
        c.apply(mounted);
        EXPECT_EQ(MountPointOf(records[c.record], {mounted}) == mounted.mountPoint, c.matches) << c.change;
    }
}

TEST(MountedVolumes, AreNamedFromTheirBootSectors) {
    // Each device holds the first sector of a committed volume; sdz7 holds zeros, no file system
    // it can name, and sdz8 is not there to open.
    const struct {
        const char* path;
        const char* image;  // null: zeros
        std::uint64_t sector;
        bool plugged;
    } disks[] = {{"/dev/sdz1", "sample-disk", 2048, true}, {"/dev/sdz5", "sample-disk", 73728, true},
                 {"/dev/sdz6", "sample-disk", 108544, true}, {"/dev/sdy", "fat16", 0, true},
                 {"/dev/sdz7", nullptr, 0, true}, {"/dev/sdz8", nullptr, 0, false}};
    test::FaultMachine machine;
    std::vector<platform::MountedBlockDevice> devices;
    for (const auto& disk : disks) {
        std::vector<std::uint8_t> sector(512, 0);
        if (disk.image != nullptr) sector = test::ReadFileBytes(test::TestImage(disk.image), disk.sector * 512, 512);
        if (disk.plugged) machine.Plug(disk.path, test::FaultDisk(sector, platform::SourceKind::Volume));
        platform::MountedBlockDevice device;
        device.devicePath = disk.path;
        device.mountPoint = std::string("/mnt") + disk.path;
        device.startSector = devices.size() * 1000;
        device.sectorCount = 4096;
        devices.push_back(device);
    }

    const std::vector<MountedVolume> volumes = MountedVolumesFrom(devices, AllFileSystems(), machine.Opener());
    std::vector<std::string> names;
    for (const MountedVolume& volume : volumes) names.push_back(volume.fsName);
    ASSERT_EQ(names, (std::vector<std::string>{"FAT32", "NTFS", "exFAT", "FAT"}));
    EXPECT_EQ(volumes[3].mountPoint, "/mnt/dev/sdy");
    EXPECT_EQ(volumes[3].startSector, 3000u);
    EXPECT_EQ(std::vector<std::uint8_t>(volumes[1].bootSector.begin(), volumes[1].bootSector.end()),
              test::ReadFileBytes(test::TestImage("sample-disk"), 73728 * 512, 512));
}

}  // namespace
}  // namespace tundrel
