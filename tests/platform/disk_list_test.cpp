#include "platform/disk_list.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <utility>
#include <vector>

#include "platform/source_name.h"
#include "sysfs_fixture.h"

namespace tundrel::platform {
namespace {

using Names = std::vector<std::string>;

Names SortedNaturally(Names names) {
    std::sort(names.begin(), names.end(), NaturalLess);
    return names;
}

TEST(NaturalOrder, LettersAndNumbersOfDiskNames) {
    EXPECT_EQ(SortedNaturally({"sdaa", "sdb", "sdz", "sda", "sdab"}), (Names{"sda", "sdb", "sdz", "sdaa", "sdab"}));
    EXPECT_EQ(SortedNaturally({"nvme10n1", "nvme1n1", "nvme0n1", "nvme1n10", "nvme1n2"}),
              (Names{"nvme0n1", "nvme1n1", "nvme1n2", "nvme1n10", "nvme10n1"}));
    EXPECT_EQ(SortedNaturally({"sdaa", "nvme1n1", "sda", "vda", "nvme0n1", "hdb"}),
              (Names{"hdb", "nvme0n1", "nvme1n1", "sda", "sdaa", "vda"}));
    EXPECT_TRUE(NaturalLess("nvme99999999999999999999n1", "nvme100000000000000000000n1"));
    EXPECT_TRUE(NaturalLess("sd", "sda"));
    EXPECT_FALSE(NaturalLess("sda", "sda"));
    EXPECT_NE(NaturalLess("sd01", "sd1"), NaturalLess("sd1", "sd01"));
}

class WholeDiskListing : public ::testing::Test {
protected:
    void AddDisk(const std::string& name, unsigned minor) {
        sysfs_.AddBlockDevice(name, {8, minor}, test::Attributes{{"model", name}});
    }

    static Names KernelNames() {
        Names names;
        for (const WholeDisk& disk : ListWholeDisks()) names.push_back(disk.kernelName);
        return names;
    }

    test::SysfsFixture sysfs_;
};

TEST_F(WholeDiskListing, RealDisksInNaturalOrder) {
    unsigned minor = 0;
    for (const char* name : {"sdb", "sdaa", "sda", "sdz", "nvme10n1", "nvme1n1", "nvme0n1", "cciss!c0d0"}) {
        AddDisk(name, minor++);
    }
    // These have a device link too, so only the name tells them apart from a disk.
    for (const char* name : {"loop0", "ram0", "zram0", "dm-0", "md127", "nbd0", "sr0"}) AddDisk(name, minor++);
    // No device link: the kernel made it up.
    sysfs_.AddBlockDevice("vdb", {252, 16}, std::nullopt);
    sysfs_.AddBlockDevice("nvme0c0n1", {259, 9}, test::Attributes{}, test::Attributes{{"hidden", "1\n"}});
    EXPECT_EQ(KernelNames(), (Names{"cciss!c0d0", "nvme0n1", "nvme1n1", "nvme10n1", "sda", "sdb", "sdz", "sdaa"}));
    EXPECT_EQ(ListWholeDisks()[4].devicePath, "/dev/sda");
    // A "!" in a kernel name stands for a subfolder of /dev.
    EXPECT_EQ(ListWholeDisks()[0].devicePath, "/dev/cciss/c0d0");
}

TEST_F(WholeDiskListing, SourceNamesResolve) {
    AddDisk("sdb", 16);
    AddDisk("sda", 0);
    // Five characters are no disk name; neither is "hda", the old IDE disk.
    const std::pair<const char*, std::optional<std::string>> cases[] = {
        {"HD0", "/dev/sda"},     {"hd1", "/dev/sdb"}, {"Hd01", "/dev/sdb"},  {"HD2", std::nullopt},
        {"HD123", "/dev/HD123"}, {"hda", "/dev/hda"}, {"sdb1", "/dev/sdb1"}, {"", std::nullopt},
        {"images/disk.img", "images/disk.img"},
    };
    for (const auto& [name, path] : cases) EXPECT_EQ(ResolveSourceName(name), path) << name;
    for (const char* name : {"HD", "HDx1", "sd1", "HD-1"}) EXPECT_EQ(DiskNumberOf(name), std::nullopt) << name;
}

}  // namespace
}  // namespace tundrel::platform
