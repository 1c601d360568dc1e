// Run lists as NTFS encodes them, and what a damaged one decodes to.

#include <gtest/gtest.h>

#include <tuple>
#include <vector>

#include "ntfs/data_runs.h"
#include "ntfs/mft_layout.h"
#include "ntfs/ntfs_volume.h"

namespace tundrel {
namespace {

using Bytes = std::vector<std::uint8_t>;

using DecodedRun = std::tuple<std::uint64_t, std::uint64_t, bool>;  // start cluster, cluster count, sparse

std::vector<DecodedRun> Decode(const Bytes& bytes, std::size_t limit = kDefaultRunListLimit) {
    MftRunList runs;
    EXPECT_TRUE(DecodeRunList(bytes, runs, limit));
    std::vector<DecodedRun> decoded;
    for (const MftRun& run : runs) decoded.emplace_back(run.startCluster, run.clusterCount, run.sparse);
    return decoded;
}

TEST(DataRunsTest, RunsDecodeAndMalformedHeadersEndTheListWithoutFailing) {
    const struct {
        const char* what;
        Bytes bytes;
        std::vector<DecodedRun> runs;
    } cases[] = {
        {"deltas signed, relative to the previous run", {0x21, 0x10, 0x00, 0x01, 0x11, 0x08, 0xF0, 0x00},
         {{256, 16, false}, {240, 8, false}}},
        {"a sparse run keeps the position for the next delta", {0x11, 0x04, 0x20, 0x01, 0x10, 0x11, 0x02, 0x08, 0x00},
         {{0x20, 4, false}, {0, 16, true}, {0x28, 2, false}}},
        {"delta arithmetic wraps at 32 bits",
         {0x41, 0x01, 0xFF, 0xFF, 0xFF, 0x7F, 0x41, 0x01, 0xFF, 0xFF, 0xFF, 0x7F, 0x41, 0x01, 0xFF, 0xFF, 0xFF, 0x7F},
         {{0x7FFFFFFF, 1, false}, {0xFFFFFFFE, 1, false}, {0x7FFFFFFD, 1, false}}},
        {"length field of 5 bytes", {0x05, 0x01, 0x02, 0x03, 0x04, 0x05}, {}},
        {"offset field of 5 bytes after one run", {0x11, 0x01, 0x10, 0x51, 0x01, 0, 0, 0, 0, 0, 1}, {{0x10, 1, false}}},
        {"no length after one run", {0x11, 0x01, 0x10, 0x10, 0x05}, {{0x10, 1, false}}},
        {"a run passing the end of the bytes", {0x44, 0x01, 0x02}, {}},
    };
    for (const auto& c : cases) EXPECT_EQ(Decode(c.bytes), c.runs) << c.what;

    MftRunList runs;
    EXPECT_FALSE(DecodeRunList({}, runs));
    // The limit stops after the run that reaches it.
    const Bytes three{0x11, 0x01, 0x10, 0x11, 0x01, 0x10, 0x11, 0x01, 0x10, 0x00};
    EXPECT_EQ(Decode(three, 0).size(), 0u);
    EXPECT_EQ(Decode(three, 3).size(), 1u);
    EXPECT_EQ(Decode(three, 4).size(), 2u);
}

// The first-cluster guess's unsigned delta and sparse first run are the record parse's test.
TEST(DataRunsTest, RunListLengthAndFirstClusterGuessNeverReadPastTheBytes) {
    const Bytes bytes{0x21, 0x10, 0x00, 0x01, 0x11, 0x08, 0xF0, 0x00, 0x55};
    EXPECT_EQ(RunListLength(bytes, 100), 7u);
    EXPECT_EQ(RunListLength(bytes, 5), 5u);
    EXPECT_EQ(RunListLength(Bytes{0x44, 0x01}, 100), 2u);
    EXPECT_EQ(RunListLength(Bytes{0x00, 0x11}, 100), 0u);
    EXPECT_FALSE(FirstRunClusterUnsigned(Bytes{0x31, 0x05, 0x00}));
}

TEST(MftLayoutTest, RecordSectorDirectAndThroughTheRuns) {
    MftLayout layout;
    layout.sectorsPerCluster = 8;
    layout.startCluster = 4;
    EXPECT_EQ(layout.RecordSector(5, true), 10u);

    layout.runs = {{786432, 4096, false}};
    EXPECT_EQ(layout.RecordSector(5), 6291466u);
    EXPECT_EQ(layout.RecordCount(), 16384u);

    layout.runs = {{100, 2, false}, {50, 2, false}};  // 8 records per run
    EXPECT_EQ(layout.RecordSector(9), 8u * 50 + 2);
    // Beyond the runs the table is taken as contiguous from the boot record's start.
    EXPECT_EQ(layout.RecordSector(20), 8u * 4 + 40);
    // A run that would place a record at sector 0 falls back as well.
    layout.runs = {{0, 2, false}};
    EXPECT_EQ(layout.RecordSector(0), 8u * 4);
}

TEST(MftLayoutTest, SectorsThatPassThirtyTwoBitsAreRefusedNotWrapped) {
    NtfsVolume volume;
    volume.volumeStart = 0xFFFFFF00u;
    volume.mft.sectorsPerCluster = 8;
    EXPECT_EQ(volume.ClusterSector(0x1F), 0xFFFFFFF8u);
    EXPECT_FALSE(volume.ClusterSector(0x20));
    EXPECT_FALSE(volume.ClusterSector(0x100000000ull));
    volume.volumeStart = 0;
    volume.mft.sectorsPerCluster = 128;
    EXPECT_FALSE(volume.ClusterSector(0x02000000u));

    std::vector<std::uint8_t> buffer(1024, 0xAA);
    EXPECT_FALSE(volume.Read(buffer, 0xFFFFFFFFu));
    EXPECT_EQ(buffer, std::vector<std::uint8_t>(1024, 0));
}

}  // namespace
}  // namespace tundrel
