// The sources and destinations offered to the user, and the storage below a device, from
// fixture trees of sysfs and /proc and simulated devices.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>


#include "disk/destination_drives.h"
#include "disk/fs_type.h"
#include "disk/physical_disks.h"
#include "disk/sector_source.h"
#include "disk/volume_list.h"
#include "disk/volume_samples.h"
#include "fault_device.h"
#include "modes/all_scanners.h"
#include "platform/folder_storage.h"
#include "platform/storage_chain.h"
#include "support/text.h"
#include "sysfs_fixture.h"
#include "test_support.h"

namespace tundrel {
namespace {

namespace fs = std::filesystem;
using test::Attributes;

// A disk of `bytes` zeros; an empty one stands for a reader with no medium (it opens, but has
// no sectors).
test::FaultDisk Zeros(std::size_t bytes) { return test::FaultDisk(std::vector<std::uint8_t>(bytes)); }
test::FaultDisk Image(const char* name) { return test::FaultDisk(test::ImageBytes(name)); }

TEST(SourceListing, DisksKeepTheirNumbersAcrossGapsAndReadersWithoutMedium) {
    test::SysfsFixture sysfs;
    test::FaultMachine machine;
    unsigned minor = 0;
    for (const char* name : {"sda", "sdb", "sdc"}) sysfs.AddBlockDevice(name, {8, 16 * minor++}, Attributes{});
    machine.Plug("/dev/sda", Zeros(4096));
    machine.Plug("/dev/sdb", Zeros(0));
    machine.Plug("/dev/sdc", Zeros(1 << 20));

    const std::vector<DiskRow> disks = ListPhysicalDisks(machine.Opener());

    ASSERT_EQ(disks.size(), 2u);
    EXPECT_EQ(disks[0].number, 0u);
    const DiskRow& sdc = disks[1];
    EXPECT_EQ(sdc.number, 2u);
    EXPECT_EQ(sdc.totalSectors, 2048u);
    EXPECT_EQ((std::vector<std::string>{sdc.sourceName, sdc.displayText, sdc.sizeText, sdc.devicePath}),
              (std::vector<std::string>{"HD2", Formatted(StringId::DiskNumber, 2), "1.00M", "/dev/sdc"}));
}

TEST(SourceListing, VolumesWithTheirFileSystemsLabelsAndMounts) {
    test::SysfsFixture sysfs;
    const test::ProcFixture proc("30 1 8:34 / /home rw - ext4 /dev/sdc2 rw\n");
    test::FaultMachine machine;
    sysfs.AddBlockDevice("sdc", {8, 32}, Attributes{});
    for (unsigned i = 1; i <= 3; ++i) sysfs.AddPartition("sdc", "sdc" + std::to_string(i), {8, 32 + i});
    sysfs.AddBlockDevice("sdd", {8, 48}, Attributes{});
    sysfs.AddBlockDevice("sde", {8, 64}, Attributes{});
    unsigned minor = 0;
    for (const char* name : {"loop0", "zram0", "sr0"}) sysfs.AddBlockDevice(name, {7, minor++}, std::nullopt);
    machine.Plug("/dev/sdc1", Image("fat16"));
    machine.Plug("/dev/sdc2", Zeros(1 << 20));
    machine.Plug("/dev/sdc3", Image("ntfs"));
    machine.Plug("/dev/sdd", Zeros(1 << 20));  // a disk with nothing on it
    machine.Plug("/dev/sde", Image("exfat"));  // formatted without a partition table
    machine.Plug("/dev/loop0", Zeros(0));
    for (const char* path : {"/dev/zram0", "/dev/sr0"}) machine.Plug(path, Zeros(4096));

    const std::vector<VolumeChoice> volumes = ListVolumeChoices(AllFileSystems(), machine.Opener());

    ASSERT_EQ(volumes.size(), 4u);
    const std::vector<std::string> expected[] = {{"sdc1", "FAT", "FAT16TEST", ""},
                                                 {"sdc2", "ext4", "", "/home"},
                                                 {"sdc3", "NTFS", "NTFSTEST", ""},
                                                 {"sde", "exFAT", "EXFATTEST", ""}};
    for (std::size_t i = 0; i < volumes.size(); ++i) {
        const VolumeRow& row = volumes[i].row;
        EXPECT_EQ((std::vector<std::string>{row.sourceName, row.fsName, row.label, row.mountPoint}), expected[i]);
        EXPECT_EQ(volumes[i].scanRemainingArea, row.fsName == "NTFS");
    }
    EXPECT_EQ(volumes[1].row.totalSectors, 2048u);

    // A file system the engine does not read is listed, but never typed as one it reads.
    EXPECT_EQ(VolumeTypeOf("sdc2", AllFileSystems(), machine.Opener()).fsType, kFsRaw);
    EXPECT_EQ(VolumeTypeOf("sdc2", AllFileSystems(), machine.Opener()).sectorCount, 2048u);
    EXPECT_EQ(VolumeTypeOf("sdc3", AllFileSystems(), machine.Opener()).fsType, kFsNtfs);
    EXPECT_EQ(VolumeTypeOf("sdc1", AllFileSystems(), machine.Opener()).fsType, kFsFat16);
    EXPECT_EQ(VolumeTypeOf("sdx9", AllFileSystems(), machine.Opener()).sectorCount, 0u);
}

TEST(StorageChain, PartitionsMappedDevicesAndLoopFiles) {
    test::SysfsFixture sysfs;
    test::TempDir dir;
    test::WriteBinaryFile(dir / "backing.img", std::vector<std::uint8_t>(4096));
    sysfs.AddBlockDevice("sdb", {8, 16}, Attributes{}, {{"size", "200000\n"}});
    sysfs.AddPartition("sdb", "sdb1", {8, 17}, {{"start", "2048\n"}, {"size", "1000\n"}});
    sysfs.AddBlockDevice("dm-0", {253, 0}, std::nullopt, {{"size", "500\n"}});
    fs::create_directories(sysfs.Root() / "devices" / "dm-0" / "slaves");
    fs::create_directory_symlink("../../sdb/sdb1", sysfs.Root() / "devices" / "dm-0" / "slaves" / "sdb1");
    sysfs.AddBlockDevice("loop0", {7, 0}, std::nullopt,
                         {{"size", "8\n"},
                          {"loop/backing_file", (dir / "backing.img").string() + "\n"},
                          {"loop/offset", "1048576\n"}});

    const platform::StorageChain partition = platform::ChainOfBlockDevice({8, 17});
    ASSERT_EQ(partition.size(), 2u);
    EXPECT_EQ(partition[1].device.minor, 16u);
    EXPECT_EQ(partition[1].start, 2048u);
    EXPECT_EQ(partition[1].count, 1000u);
    EXPECT_TRUE(partition[1].exact);

    // Below the mapped device: sdb1, whose place in it is not known, then sdb as above.
    const platform::StorageChain mapped = platform::ChainOfBlockDevice({253, 0});
    ASSERT_EQ(mapped.size(), 3u);
    EXPECT_FALSE(mapped[1].exact);

    const platform::StorageChain loop = platform::ChainOfBlockDevice({7, 0});
    ASSERT_EQ(loop.size(), 2u);
    struct stat info = {};
    ASSERT_EQ(::stat((dir / "backing.img").c_str(), &info), 0);
    EXPECT_EQ(loop[1].kind, platform::LayerKind::File);
    EXPECT_EQ(loop[1].inode, info.st_ino);
    EXPECT_EQ(loop[1].start, 2048u);
    EXPECT_TRUE(platform::SameLayer(loop[1], platform::ChainOfPath((dir / "backing.img").string())[0]));
    EXPECT_TRUE(platform::ChainOfBlockDevice({9, 9}).empty());
}

TEST(StorageChain, TheMountThatHoldsAFolder) {
    const std::vector<platform::MountInfoEntry> mounts = {
        {{8, 2}, "/", "/", "ext4", "/dev/sda2"},
        {{8, 17}, "/", "/media/usb", "vfat", "/dev/sdb1"},
        {{8, 17}, "/photos", "/srv/photos", "vfat", "/dev/sdb1"},
        {{0, 40}, "/", "/media/usb/inner", "tmpfs", "tmpfs"},
    };
    EXPECT_EQ(platform::MountHolding(mounts, {8, 17}, "/media/usb/a/b")->mountPoint, "/media/usb");
    EXPECT_EQ(platform::MountHolding(mounts, {8, 17}, "/srv/photos/2023")->mountPoint, "/srv/photos");
    // Whole path components only: the folder beside the mount point is on the root file system.
    EXPECT_EQ(platform::MountHolding(mounts, {8, 17}, "/media/usbstick")->mountPoint, "/");
    EXPECT_EQ(platform::MountHolding(mounts, {9, 9}, "/media/usb/inner/x")->mountPoint, "/media/usb/inner");
    // An image file behind a FUSE mount is what the mount rests on.
    test::TempDir dir;
    test::WriteBinaryFile(dir / "disk.img", std::vector<std::uint8_t>(512));
    const platform::StorageChain fuse = platform::ChainOfMount({{0, 77}, "/", "/mnt/img", "fuse", (dir / "disk.img").string()});
    ASSERT_EQ(fuse.size(), 1u);
    EXPECT_EQ(fuse[0].kind, platform::LayerKind::File);
}

TEST(DestinationDrives, OnlyFileSystemsThatHoldFiles) {
    const std::vector<platform::MountInfoEntry> mounts = {
        {{8, 2}, "/", "/", "ext4", "/dev/sda2"},       {{0, 5}, "/", "/proc", "proc", "proc"},
        {{0, 6}, "/", "/sys/fs/cgroup", "cgroup2", "cgroup2"}, {{0, 7}, "/", "/dev", "devtmpfs", "udev"},
        {{0, 8}, "/", "/dev/shm", "tmpfs", "tmpfs"},   {{0, 9}, "/", "/run/user/1000", "tmpfs", "tmpfs"},
        {{8, 17}, "/", "/media/usb", "vfat", "/dev/sdb1"}, {{8, 18}, "/", "/media/usb", "exfat", "/dev/sdb2"},
        {{0, 10}, "/", "/devices", "ext4", "/dev/sdc1"},
    };
    std::vector<std::string> places;
    for (const auto& mount : DestinationCandidates(mounts)) places.push_back(mount.mountPoint + " " + mount.fsType);
    EXPECT_EQ(places, (std::vector<std::string>{"/ ext4", "/run/user/1000 tmpfs", "/media/usb exfat", "/devices ext4"}));
}

TEST(DestinationDrives, ReadOnlyMountsAreNotOffered) {
    const test::TmpfsMount writable("1m", false);
    const test::TmpfsMount readOnly("1m", true);
    if (!writable.Mounted() || !readOnly.Mounted()) GTEST_SKIP() << "mounting a tmpfs needs root";
    std::vector<std::string> offered;
    for (const DestinationDrive& drive : ListDestinationDrives()) offered.push_back(drive.mountPoint);
    EXPECT_NE(std::find(offered.begin(), offered.end(), writable.Path().string()), offered.end());
    EXPECT_EQ(std::find(offered.begin(), offered.end(), readOnly.Path().string()), offered.end());
}

// A real block device (a loop over the FAT16 image) that the fixture describes as the first
// partition, at sector 2048, of a disk.
TEST(VolumeSamples, PartitionSamplesAreFoundOnItsDiskOnly) {
    const fs::path image = test::TestImage("fat16");
    test::LoopDevice loop(image, 512);
    if (!loop.Attached()) GTEST_SKIP() << "needs root and loop devices";
    struct stat info = {};
    ASSERT_EQ(::stat(loop.Path().c_str(), &info), 0);
    test::SysfsFixture sysfs;
    sysfs.AddBlockDevice("sdz", {8, 240}, Attributes{{"model", "Disk Model"}, {"serial", "ab12"}});
    sysfs.AddPartition("sdz", "sdz1", {major(info.st_rdev), minor(info.st_rdev)}, {{"start", "2048\n"}});

    SectorSource volume;
    ASSERT_TRUE(volume.Open(ToUtf16(fs::path(loop.Path()).string())));
    std::vector<SampleRegion> regions;
    EXPECT_EQ(BuildVolumeSamples(volume, regions, AllFileSystems()), u"AB12DISK MODEL");
    // The start, the second FAT and the end of the FATs (4 reserved sectors, FATs of 32).
    ASSERT_EQ(regions.size(), 3u);
    EXPECT_EQ(regions[0].start, 2048u);
    EXPECT_EQ(regions[1].start, 4u + 32u);
    EXPECT_EQ(regions[2].start, 4u + 2 * 32u);

    test::TempDir dir;
    std::vector<std::uint8_t> disk(2048 * 512, 0);
    const std::vector<std::uint8_t> bytes = test::ImageBytes("fat16");
    disk.insert(disk.end(), bytes.begin(), bytes.end());
    test::WriteBinaryFile(dir / "disk.img", disk);
    EXPECT_TRUE(SamplesMatchDisk(ToUtf16(fs::path(dir / "disk.img").string()), volume, regions));
    disk.erase(disk.begin(), disk.begin() + 512);  // the volume one sector earlier
    test::WriteBinaryFile(dir / "shifted.img", disk);
    EXPECT_FALSE(SamplesMatchDisk(ToUtf16(fs::path(dir / "shifted.img").string()), volume, regions));

    // An image file is no partition: no samples.
    SectorSource file;
    ASSERT_TRUE(file.Open(ToUtf16(fs::path(image).string())));
    EXPECT_TRUE(BuildVolumeSamples(file, regions, AllFileSystems()).empty());
    EXPECT_TRUE(regions.empty());
}

}  // namespace
}  // namespace tundrel
