#include "disk/sector_source.h"

#include <fcntl.h>

#include <gtest/gtest.h>

#include <algorithm>

#include "fault_device.h"
#include "test_support.h"

namespace tundrel {
namespace {

namespace fs = std::filesystem;
using test::FaultDisk;

bool AllBytes(std::span<const std::uint8_t> bytes, std::uint8_t value = 0) {
    return std::all_of(bytes.begin(), bytes.end(), [value](std::uint8_t b) { return b == value; });
}

class ImageSource : public ::testing::Test {
protected:
    bool OpenImage(std::size_t size) {
        bytes_ = test::PatternBytes(size);
        test::WriteBinaryFile(image_, bytes_);
        return source_.Open(image_.u16string());
    }

    test::TempDir dir_;
    fs::path image_ = dir_ / "disk.img";
    std::vector<std::uint8_t> bytes_;
    SectorSource source_;
};

TEST_F(ImageSource, GeometryOfImages) {
    ASSERT_TRUE(OpenImage(10 * 512 + 100));
    EXPECT_EQ(source_.totalSectors, 10u);  // the partial last sector is dropped
    EXPECT_EQ(source_.bytesPerSector, 512u);
    EXPECT_EQ(source_.sectorsPerCylinder, 63u);
    EXPECT_FALSE(source_.IsVolume());
    EXPECT_TRUE(source_.model.empty() && source_.serial.empty());

    constexpr std::uint64_t kNineGiB = 0x240000000ULL;
    fs::resize_file(image_, kNineGiB);  // sparse: takes no space
    ASSERT_TRUE(source_.Open(image_.u16string()));
    EXPECT_EQ(source_.sectorsPerCylinder, 63u);
    EXPECT_EQ(source_.totalSectors, kNineGiB / 512);
    fs::resize_file(image_, kNineGiB + 1);
    ASSERT_TRUE(source_.Open(image_.u16string()));
    EXPECT_EQ(source_.sectorsPerCylinder, 16065u);
    EXPECT_EQ(source_.totalSectors, kNineGiB / 512);
}

TEST_F(ImageSource, ReadsBySectorAndZeroFillsPastTheEnd) {
    ASSERT_TRUE(OpenImage(10 * 512));
    std::vector<std::uint8_t> buffer(3 * 512, 0xEE);
    ASSERT_TRUE(source_.ReadSectors(buffer, 5));
    EXPECT_TRUE(std::equal(buffer.begin(), buffer.end(), bytes_.begin() + 5 * 512));

    std::fill(buffer.begin(), buffer.end(), 0xEE);
    EXPECT_FALSE(source_.ReadSectors(buffer, 9));
    EXPECT_TRUE(std::equal(buffer.begin(), buffer.begin() + 512, bytes_.begin() + 9 * 512));
    EXPECT_TRUE(AllBytes(std::span(buffer).subspan(512)));
}

TEST_F(ImageSource, OpensReadOnlyAndOpeningAgainOrClosingReleasesTheFile) {
    ASSERT_TRUE(OpenImage(4 * 512));
    const std::optional<int> flags = test::OpenFlagsOf(image_);
    ASSERT_TRUE(flags.has_value());
    EXPECT_EQ(*flags & O_ACCMODE, O_RDONLY);
    EXPECT_NE(*flags & O_CLOEXEC, 0);

    const fs::path second = dir_ / "second.img";
    test::WriteBinaryFile(second, std::vector<std::uint8_t>(6 * 512, 0x5A));
    fs::permissions(second, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    ASSERT_TRUE(source_.Open(second.u16string()));
    EXPECT_EQ(test::OpenFlagsOf(image_), std::nullopt);
    EXPECT_EQ(source_.totalSectors, 6u);

    source_.Close();
    EXPECT_EQ(test::OpenFlagsOf(second), std::nullopt);
    std::vector<std::uint8_t> buffer(512, 0xEE);
    EXPECT_FALSE(source_.ReadSectors(buffer, 0));
    EXPECT_TRUE(AllBytes(buffer));
}

// A loop device with 4096-byte logical sectors: sector numbers still count 512 bytes.
TEST(BlockDeviceSource, GeometryFromTheKernelAndReadsBy512) {
    test::TempDir dir;
    const std::vector<std::uint8_t> bytes = test::PatternBytes(32 * 4096);
    test::WriteBinaryFile(dir / "backing.img", bytes);
    test::LoopDevice loop(dir / "backing.img", 4096);
    if (!loop.Attached()) GTEST_SKIP() << "no loop device (needs root and the loop driver)";

    SectorSource source;
    ASSERT_TRUE(source.Open(fs::path(loop.Path()).u16string()));
    EXPECT_TRUE(source.IsVolume());  // a loop device is no disk of its own
    EXPECT_EQ(source.bytesPerSector, 4096u);
    EXPECT_EQ(source.totalSectors, bytes.size() / 512);
    EXPECT_GE(source.sectorsPerCylinder, 16065u);
    std::vector<std::uint8_t> buffer(4096);
    ASSERT_TRUE(source.ReadSectors(buffer, 3));
    EXPECT_TRUE(std::equal(buffer.begin(), buffer.end(), bytes.begin() + 3 * 512));
}

// A simulated device behind the source: its reads counted, its geometry chosen.
constexpr const char* kSimulatedPath = "/dev/simulated";
constexpr char16_t kSimulatedName[] = u"/dev/simulated";

FaultDisk DiskOfSectors(std::size_t sectors) { return FaultDisk(test::PatternBytes(sectors * 512)); }

class SimulatedSource : public ::testing::Test {
protected:
    void PlugAndOpen(FaultDisk disk) {
        bytes_ = disk.bytes;
        machine_.Plug(kSimulatedPath, std::move(disk));
        ASSERT_TRUE(source_.Open(kSimulatedName));
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

    disk = DiskOfSectors(16);
    disk.geometryKnown = false;  // still opens, with no sectors
    PlugAndOpen(std::move(disk));
    EXPECT_EQ(source_.totalSectors, 0u);
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

TEST_F(SimulatedSource, PastTheEndNeverTouchesTheDeviceNorWrapsToTheStart) {
    PlugAndOpen(DiskOfSectors(16));
    std::vector<std::uint8_t> buffer(128 * 1024, 0xEE);
    EXPECT_FALSE(source_.ReadSectors(std::span(buffer).first(1024), 16));
    EXPECT_FALSE(source_.ReadSectors(std::span(buffer).first(1024), UINT32_MAX));
    EXPECT_TRUE(AllBytes(std::span(buffer).first(1024), 0));
    EXPECT_EQ(machine_.ReadCount(), 0);

    source_.totalSectors = 1ULL << 33;  // more sectors than a 32-bit number reaches
    EXPECT_TRUE(source_.ReadRange(buffer, UINT32_MAX - 127, noStop_));
    EXPECT_TRUE(AllBytes(buffer, 0));
    EXPECT_EQ(machine_.ReadCount(), 1);
}

}  // namespace
}  // namespace tundrel
