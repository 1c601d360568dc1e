#include <gtest/gtest.h>

#include <algorithm>

#include "disk/sector_source.h"
#include "fault_device.h"
#include "test_support.h"

namespace tundrel {
namespace {

using test::FaultDisk;

constexpr const char* kDiskPath = "/dev/simulated";
constexpr char16_t kDiskName[] = u"/dev/simulated";

bool AllBytes(std::span<const std::uint8_t> bytes, std::uint8_t value) {
    return std::all_of(bytes.begin(), bytes.end(), [value](std::uint8_t b) { return b == value; });
}

FaultDisk DiskOfSectors(std::size_t sectors) {
    FaultDisk disk;
    disk.bytes = test::PatternBytes(sectors * 512);
    return disk;
}

class SimulatedSource : public ::testing::Test {
protected:
    void PlugAndOpen(FaultDisk disk) {
        bytes_ = disk.bytes;
        machine_.Plug(kDiskPath, std::move(disk));
        ASSERT_TRUE(source_.Open(kDiskName));
    }

    test::FaultMachine machine_;
    std::vector<std::uint8_t> bytes_;
    SectorSource source_{machine_.Opener()};
    const std::atomic<std::uint32_t> noStop_{0};
};

TEST_F(SimulatedSource, NamesResolveToDevicePaths) {
    EXPECT_FALSE(source_.Open(u"HD123"));
    EXPECT_FALSE(source_.Open(u"sdb1"));
    EXPECT_EQ(machine_.OpenedPaths(), (std::vector<std::string>{"/dev/HD123", "/dev/sdb1"}));
}

TEST_F(SimulatedSource, DeviceSectorSizeIsInformationOnly) {
    FaultDisk disk = DiskOfSectors(64);
    disk.bytesPerSector = 4096;
    disk.kind = platform::SourceKind::Volume;
    disk.identity = {"Model X", "SN-1"};
    PlugAndOpen(std::move(disk));
    EXPECT_TRUE(source_.IsVolume());
    EXPECT_EQ(source_.bytesPerSector, 4096u);
    EXPECT_EQ(source_.totalSectors, 64u);
    EXPECT_EQ(source_.model, u"Model X");
    EXPECT_EQ(source_.serial, u"SN-1");
    std::vector<std::uint8_t> buffer(512);
    ASSERT_TRUE(source_.ReadSectors(buffer, 3));
    EXPECT_TRUE(std::equal(buffer.begin(), buffer.end(), bytes_.begin() + 3 * 512));

    disk = DiskOfSectors(16);
    disk.bytesPerSector = 0;
    PlugAndOpen(std::move(disk));
    EXPECT_EQ(source_.bytesPerSector, 512u);
}

TEST_F(SimulatedSource, UnknownGeometryStillOpensWithNoSectors) {
    FaultDisk disk = DiskOfSectors(16);
    disk.geometryKnown = false;
    PlugAndOpen(std::move(disk));
    EXPECT_TRUE(source_.isOpen);
    EXPECT_EQ(source_.totalSectors, 0u);
}

TEST_F(SimulatedSource, PastTheEndNeverTouchesTheDevice) {
    PlugAndOpen(DiskOfSectors(16));
    std::vector<std::uint8_t> buffer(1024, 0xEE);
    EXPECT_FALSE(source_.ReadSectors(buffer, 16));
    EXPECT_FALSE(source_.ReadSectors(buffer, UINT32_MAX));
    EXPECT_TRUE(AllBytes(buffer, 0));
    EXPECT_EQ(machine_.ReadCount(), 0);
}

TEST_F(SimulatedSource, RangeReadsInPiecesAndGoesOnPastFailures) {
    PlugAndOpen(DiskOfSectors(600));
    std::vector<std::uint8_t> buffer(200 * 1024);
    EXPECT_TRUE(source_.ReadRange(buffer, 100, noStop_));
    EXPECT_TRUE(std::equal(buffer.begin(), buffer.end(), bytes_.begin() + 100 * 512));
    EXPECT_EQ(machine_.ReadCount(), 4);  // three full 64 KiB pieces and the rest
    std::vector<std::uint8_t> nothing;
    EXPECT_TRUE(source_.ReadRange(nothing, 0, noStop_));

    // The last 72 sectors lie past the end: zeros, yet the range counts as complete.
    std::fill(buffer.begin(), buffer.end(), 0xEE);
    EXPECT_TRUE(source_.ReadRange(std::span(buffer).first(400 * 512), 272, noStop_));
    EXPECT_TRUE(std::equal(buffer.begin(), buffer.begin() + 328 * 512, bytes_.begin() + 272 * 512));
    EXPECT_TRUE(AllBytes(std::span(buffer).subspan(328 * 512, 72 * 512), 0));
}

TEST_F(SimulatedSource, StopWordEndsTheRange) {
    PlugAndOpen(DiskOfSectors(600));
    std::vector<std::uint8_t> buffer(256 * 1024, 0xEE);
    std::atomic<std::uint32_t> stop{1};
    EXPECT_FALSE(source_.ReadRange(buffer, 0, stop));
    EXPECT_EQ(machine_.ReadCount(), 0);
    EXPECT_TRUE(AllBytes(buffer, 0xEE));

    // Stopped by another thread while the second piece is being read.
    stop = 0;
    machine_.OnRead([&] {
        if (machine_.ReadCount() == 2) stop = 1;
    });
    EXPECT_FALSE(source_.ReadRange(buffer, 0, stop));
    EXPECT_EQ(machine_.ReadCount(), 2);
    EXPECT_TRUE(std::equal(buffer.begin(), buffer.begin() + 128 * 1024, bytes_.begin()));
    EXPECT_TRUE(AllBytes(std::span(buffer).subspan(128 * 1024), 0xEE));
}

TEST_F(SimulatedSource, RangeNeverWrapsToTheStart) {
    PlugAndOpen(DiskOfSectors(4));
    source_.totalSectors = 1ULL << 33;  // more sectors than a 32-bit number reaches
    std::vector<std::uint8_t> buffer(128 * 1024, 0xEE);
    EXPECT_TRUE(source_.ReadRange(buffer, UINT32_MAX - 127, noStop_));
    EXPECT_TRUE(AllBytes(buffer, 0));
    EXPECT_EQ(machine_.ReadCount(), 1);
}

}  // namespace
}  // namespace tundrel
