// The mount table and the mounted partitions it leads to, against fixture trees of sysfs and
// /proc.

#include <gtest/gtest.h>

#include "platform/mount_info.h"
#include "platform/mounted_block_devices.h"
#include "sysfs_fixture.h"

namespace tundrel::platform {
namespace {

// /proc/self/mountinfo of a machine with a USB disk (sdb: FAT32 at 2048, NTFS through FUSE in a
// logical partition, mounted twice; exFAT through FUSE), a superfloppy (sdc, no partition
// table) and the usual rest.
constexpr const char* kMountInfo =
    "22 1 8:2 / / rw,relatime shared:1 - ext4 /dev/sda2 rw\n"
    "25 22 0:21 / /proc rw,nosuid shared:12 - proc proc rw\n"
    "31 22 0:26 / /tmp rw shared:14 - tmpfs tmpfs rw,size=8g\n"
    "40 22 8:17 / /media/user/SAMPLE\\040FAT rw,nosuid,nodev shared:20 master:3 - vfat /dev/sdb1 rw,fmask=0022\n"
    "41 22 8:21 / /media/user/Data\\134Disk rw,nosuid shared:21 - fuseblk /dev/sdb5 rw,user_id=0,allow_other\n"
    "42 22 8:21 /sub /srv/bound rw shared:21 - fuseblk /dev/sdb5 rw,user_id=0\n"
    "43 22 8:32 / /mnt/floppy rw - vfat /dev/sdc rw\n"
    "44 22 8:48 / /mnt/gone rw - exfat /dev/sdd1 rw\n"
    "45 22 0:50 / /mnt/sshfs rw - fuse.sshfs user@host:/ rw\n"
    "46 22 8:22 / /mnt/linux rw - ext4 /dev/sdb6 rw\n"
    "48 22 8:22 / /mnt/usb rw - fuseblk.exfat /dev/sdb6 rw\n"
    "this line is not a mount\n"
    "47 22 8:23 / /mnt/cut rw -\n";

class MountedBlockDevicesTest : public ::testing::Test {
protected:
    void SetUp() override {
        sysfs.AddBlockDevice("sdb", {8, 16}, test::Attributes{{"model", "USB DISK"}}, {{"size", "131072\n"}});
        sysfs.AddPartition("sdb", "sdb1", {8, 17}, {{"start", "2048\n"}, {"size", "69632\n"}});
        sysfs.AddPartition("sdb", "sdb5", {8, 21}, {{"start", "73728\n"}, {"size", "32768\n"}});
        sysfs.AddPartition("sdb", "sdb6", {8, 22}, {{"start", "108544\n"}, {"size", "16384\n"}});
        sysfs.AddBlockDevice("sdc", {8, 32}, test::Attributes{{"model", "FLOPPY"}}, {{"size", "2880\n"}});
    }

    // Each device as "path type mount-point start+count on disk-major:minor".
    static std::vector<std::string> Rows(const std::vector<MountedBlockDevice>& devices) {
        std::vector<std::string> rows;
        for (const MountedBlockDevice& d : devices) {
            rows.push_back(d.devicePath + " " + d.fsType + " " + d.mountPoint + " " + std::to_string(d.startSector) +
                           "+" + std::to_string(d.sectorCount) + " on " + std::to_string(d.disk.major) + ":" +
                           std::to_string(d.disk.minor));
        }
        return rows;
    }

    test::SysfsFixture sysfs;
};

TEST(MountInfo, FieldsAreSplitAroundTheOptionalOnesAndUnescaped) {
    const std::vector<MountInfoEntry> entries = ParseMountInfo(kMountInfo);
    ASSERT_EQ(entries.size(), 11u);  // the last two lines are malformed
    const MountInfoEntry& fat = entries[3];
    EXPECT_TRUE(SameDevice(fat.device, {8, 17}));
    EXPECT_EQ((std::vector<std::string>{fat.root, fat.mountPoint, fat.fsType, fat.source}),
              (std::vector<std::string>{"/", "/media/user/SAMPLE FAT", "vfat", "/dev/sdb1"}));
    EXPECT_EQ(entries[5].root, "/sub");
    EXPECT_EQ(entries[2].source, "tmpfs");

    EXPECT_EQ(UnescapeMountField("a\\011b\\012c\\040d"), "a\tb\nc d");
    EXPECT_EQ(UnescapeMountField("end\\04"), "end\\04");  // cut short: kept as written
    EXPECT_EQ(UnescapeMountField("\\999"), "\\999");
}

// sdb5 is mounted twice: listed once, at its first mount. A device without a partition table
// is its own disk, from sector 0. The ext4 mount of sdb6 is passed over; a FUSE mount with a
// subtype is not. The same list comes from the process's own mount table.
TEST_F(MountedBlockDevicesTest, PartitionsGetTheirPlaceAndDiskFromSysfs) {
    const std::vector<MountedBlockDevice> devices = MountedBlockDevicesFrom(ParseMountInfo(kMountInfo));
    const std::vector<std::string> expected = {"/dev/sdb1 vfat /media/user/SAMPLE FAT 2048+69632 on 8:16",
                                               "/dev/sdb5 fuseblk /media/user/Data\\Disk 73728+32768 on 8:16",
                                               "/dev/sdc vfat /mnt/floppy 0+2880 on 8:32",
                                               "/dev/sdb6 fuseblk.exfat /mnt/usb 108544+16384 on 8:16"};
    EXPECT_EQ(Rows(devices), expected);
    EXPECT_TRUE(SameDevice(devices.at(0).device, {8, 17}));
    const test::ProcFixture proc(kMountInfo);
    EXPECT_EQ(Rows(ListMountedBlockDevices()), expected);
}

TEST_F(MountedBlockDevicesTest, PartitionsWithoutTheirPlaceAreLeftOut) {
    sysfs.AddPartition("sdb", "sdb7", {8, 23}, {{"size", "100\n"}});  // no start
    const std::vector<MountedBlockDevice> devices = MountedBlockDevicesFrom(
        ParseMountInfo("50 22 8:23 / /mnt/x rw - vfat /dev/sdb7 rw\n51 22 8:17 / /mnt/y rw - vfat /dev/sdb1 rw\n"));
    ASSERT_EQ(devices.size(), 1u);
    EXPECT_EQ(devices[0].devicePath, "/dev/sdb1");
}

}  // namespace
}  // namespace tundrel::platform
