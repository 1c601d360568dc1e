#include "platform/block_identity.h"

#include <gtest/gtest.h>

#include <cerrno>

#include "platform/read_error.h"
#include "platform/sysfs_block.h"
#include "sysfs_fixture.h"

namespace tundrel::platform {
namespace {

using test::Attributes;

// A unit serial number page: peripheral byte, page code 0x80, big-endian length, text.
std::string UnitSerialPage(const std::string& serial, std::size_t declaredLength) {
    return std::string{'\0', '\x80', static_cast<char>(declaredLength >> 8), static_cast<char>(declaredLength)} +
           serial;
}

class FixtureSysfs : public ::testing::Test {
protected:
    test::SysfsFixture sysfs_;
};

TEST_F(FixtureSysfs, IdentityIsTrimmedSerialsFallBackAndPartitionsReportTheirDisk) {
    sysfs_.AddBlockDevice("sda", {8, 0}, Attributes{{"model", "  WDC WD10EZEX   \n"}, {"serial", "\tWD-WCC6Y0 \n"}});
    sysfs_.AddPartition("sda", "sda2", {8, 2});
    for (const DeviceNumber number : {DeviceNumber{8, 0}, DeviceNumber{8, 2}}) {
        EXPECT_EQ(ReadBlockIdentity(number).model, "WDC WD10EZEX");
        EXPECT_EQ(ReadBlockIdentity(number).serial, "WD-WCC6Y0");
    }
    EXPECT_EQ(ReadBlockIdentity({8, 99}).model, "");

    // Without a serial attribute: the unit serial number page, or the device's own attribute.
    sysfs_.AddBlockDevice("sdb", {8, 16}, Attributes{{"vpd_pg80", UnitSerialPage("  4C5300012 ", 12)}});
    EXPECT_EQ(ReadBlockIdentity({8, 16}).serial, "4C5300012");
    sysfs_.AddBlockDevice("vda", {254, 0}, Attributes{}, Attributes{{"serial", "overlayblk"}});
    sysfs_.AddPartition("vda", "vda1", {254, 1});
    EXPECT_EQ(ReadBlockIdentity({254, 1}).serial, "overlayblk");
}

TEST(UnitSerialPage, LengthIsBoundedByThePage) {
    EXPECT_EQ(SerialFromUnitSerialPage(UnitSerialPage("ABC123", 3)), "ABC");
    EXPECT_EQ(SerialFromUnitSerialPage(UnitSerialPage("ABC123", 0xFFFF)), "ABC123");
    EXPECT_EQ(SerialFromUnitSerialPage(std::string("\0\x80\0", 3)), "");
    EXPECT_EQ(SerialFromUnitSerialPage(UnitSerialPage(std::string("  X1\0\0", 6), 6)), "X1");
}

TEST_F(FixtureSysfs, KindsOfBlockDevices) {
    sysfs_.AddBlockDevice("sda", {8, 0}, Attributes{{"model", "disk"}});
    sysfs_.AddPartition("sda", "sda1", {8, 1});
    sysfs_.AddBlockDevice("dm-0", {253, 0}, std::nullopt);
    sysfs_.AddBlockDevice("sr0", {11, 0}, Attributes{{"model", "DVD"}});
    EXPECT_EQ(ClassifyBlockDevice({8, 0}), SourceKind::Disk);
    for (const DeviceNumber number :
         {DeviceNumber{8, 1}, DeviceNumber{253, 0}, DeviceNumber{11, 0}, DeviceNumber{8, 32}}) {
        EXPECT_EQ(ClassifyBlockDevice(number), SourceKind::Volume) << number.major << ":" << number.minor;
    }
    sysfs_.RemoveEntry({8, 0});
    EXPECT_FALSE(BlockEntryOf({8, 0}).has_value());
}

TEST(ReadErrors, WhichErrorsMeanTheDeviceIsGone) {
    for (const int error : {ENODEV, ENXIO, ENOENT}) EXPECT_EQ(ClassifyReadError(error, false), ReadStatus::DeviceGone);
    EXPECT_EQ(ClassifyReadError(EIO, true), ReadStatus::DeviceGone);
    EXPECT_EQ(ClassifyReadError(EIO, false), ReadStatus::Failed);
    EXPECT_EQ(ClassifyReadError(EINVAL, true), ReadStatus::Failed);
}

}  // namespace
}  // namespace tundrel::platform
