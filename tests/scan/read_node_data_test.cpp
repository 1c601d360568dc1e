// Reading a node's data through its extents with the common reader.

#include <gtest/gtest.h>

#include <fstream>

#include "scan/scan_context.h"
#include "scan/volume_scanner.h"
#include "support/text.h"
#include "test_support.h"

namespace tundrel {
namespace {

class PlainScanner final : public VolumeScanner {
public:
    using VolumeScanner::VolumeScanner;
    void Scan() override {}
};

// An image whose every sector is filled with its own sector number (low byte), so any byte
// read tells where it came from.
class ReadNodeDataTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string bytes;
        for (int sector = 0; sector < kSectors; ++sector) bytes += std::string(512, static_cast<char>(sector));
        std::ofstream(dir / "disk.img", std::ios::binary) << bytes;
        task.sourceName = ToUtf16((dir / "disk.img").string());
        ASSERT_TRUE(context.source.Open(task.sourceName));
    }

    static FileExtent Extent(std::uint64_t start, std::uint64_t count) { return {{}, start, count, 0}; }

    static constexpr int kSectors = 400;
    test::TempDir dir;
    Settings settings;
    ScanProgress progress;
    ScanEnvironment environment{settings, progress, {}, nullptr};
    ScanTask task;
    ScanContext context{environment, task};
    PlainScanner scanner{context, 1};
    ScanNode node;
};

TEST_F(ReadNodeDataTest, ReadCrossesExtentsAndSkipsIntoTheFirstSector) {
    // More than one 64 KiB piece in the first extent, then a jump to the second.
    const ExtentList extents{Extent(100, 130), Extent(20, 4)};
    std::vector<std::uint8_t> buffer(130 * 512 - 300 + 1024);

    ASSERT_TRUE(scanner.ReadNodeData(buffer, 300, node, extents));

    EXPECT_EQ(buffer[0], 100);
    EXPECT_EQ(buffer[512 - 300], 101);
    EXPECT_EQ(buffer[128 * 512 - 300], static_cast<std::uint8_t>(228));
    EXPECT_EQ(buffer[130 * 512 - 300 - 1], static_cast<std::uint8_t>(229));
    EXPECT_EQ(buffer[130 * 512 - 300], 20);
    EXPECT_EQ(buffer.back(), 21);
}

// An extent past the end of the source, and one beyond 32-bit sectors that must not be read
// from a wrapped position; the first request also runs past the extents.
TEST_F(ReadNodeDataTest, WhatCannotBeReadIsZeroedAndReported) {
    const struct {
        ExtentList extents;
        std::size_t readable;
    } cases[] = {{{Extent(5, 1), Extent(kSectors + 10, 1)}, 512}, {{Extent((1ULL << 32) + 7, 1)}, 0}};
    for (const auto& c : cases) {
        std::vector<std::uint8_t> buffer(3 * 512, 0xEE);
        EXPECT_FALSE(scanner.ReadNodeData(buffer, 0, node, c.extents));
        EXPECT_TRUE(std::all_of(buffer.begin(), buffer.begin() + c.readable, [](std::uint8_t b) { return b == 5; }));
        EXPECT_TRUE(std::all_of(buffer.begin() + c.readable, buffer.end(), [](std::uint8_t b) { return b == 0; }));
    }
}

TEST_F(ReadNodeDataTest, BytesPastTheValidLengthAndSparseRunsReadAsZerosWithoutAReadFailure) {
    // Extents of 2, 3 (sparse) and 2 sectors: file bytes 1024 to 2559 are a hole. A read that
    // starts on an extent boundary starts in the next extent.
    const struct {
        std::uint64_t validBytes;
        std::uint64_t offset;
        std::size_t length;
    } cases[] = {{7 * 512, 0, 7 * 512}, {700, 0, 7 * 512}, {700, 600, 200}, {0, 0, 512},
                 {3000, 2900, 300}, {3000, 3000, 584}, {7 * 512, 2000, 1000}, {7 * 512, 1024, 2048}};
    const std::uint64_t firstSectorOf[] = {10, 11, 0, 0, 0, 50, 51};
    for (const auto& c : cases) {
        FileExtent hole = Extent(5, 3);  // never read: sector 5 would show
        hole.zeroBytes = 3 * 512;
        ExtentList extents{Extent(10, 2), hole, Extent(50, 2)};
        ZeroFillFrom(extents, c.validBytes);
        std::vector<std::uint8_t> buffer(c.length, 0xEE);

        EXPECT_TRUE(scanner.ReadNodeData(buffer, c.offset, node, extents)) << c.validBytes << "@" << c.offset;

        for (std::size_t i = 0; i < buffer.size(); ++i) {
            const std::uint64_t at = c.offset + i;
            const std::uint8_t expected = at < c.validBytes ? static_cast<std::uint8_t>(firstSectorOf[at / 512]) : 0;
            ASSERT_EQ(buffer[i], expected) << c.validBytes << "@" << c.offset << " byte " << at;
        }
    }
}

TEST_F(ReadNodeDataTest, ContiguousNodeIsOneRunRoundedUpToWholeSectors) {
    node.flags = kFlagContiguous;
    node.location = 30;
    node.size = 1025;
    ExtentList extents{Extent(1, 1)};

    ASSERT_TRUE(scanner.BuildExtents(node, extents));
    ASSERT_EQ(extents.size(), 1u);
    EXPECT_EQ(extents[0].startSector, 30u);
    EXPECT_EQ(extents[0].sectorCount, 3u);

    node.flags = 0;
    EXPECT_FALSE(scanner.BuildExtents(node, extents));
    EXPECT_TRUE(extents.empty());
}

}  // namespace
}  // namespace tundrel
