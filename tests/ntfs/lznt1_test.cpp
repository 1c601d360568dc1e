// LZNT1 decoding and the compressed read: hand-made chunks for the rules at the edges, and
// the units ntfs-3g compressed on the committed image.

#include <gtest/gtest.h>

#include <numeric>

#include "disk/sector_source.h"
#include "ntfs/compressed_read.h"
#include "ntfs/compression_units.h"
#include "ntfs/lznt1.h"
#include "ntfs_test_support.h"
#include "support/text.h"

namespace tundrel {
namespace {

using Bytes = std::vector<std::uint8_t>;

const Bytes kSeed{'N', 'T', 'F', 'S', '-', 'l', 'z', 'n', 't', '1', ' ', 'd', 'a', 't', 'a', '\n'};

Bytes Repeated(std::size_t length) {
    Bytes out(length);
    for (std::size_t i = 0; i < length; ++i) out[i] = kSeed[i % kSeed.size()];
    return out;
}

// A chunk holding `length` (19 to 4096) bytes of the seed repeated: the seed as literals, then
// one reference 16 bytes back whose 12-bit length reaches the end.
Bytes PeriodicChunk(std::size_t length) {
    Bytes data{0x00};
    data.insert(data.end(), kSeed.begin(), kSeed.begin() + 8);
    data.push_back(0x00);
    data.insert(data.end(), kSeed.begin() + 8, kSeed.end());
    const auto token = static_cast<std::uint16_t>(((kSeed.size() - 1) << 12) | (length - kSeed.size() - 3));
    data.insert(data.end(), {0x01, static_cast<std::uint8_t>(token), static_cast<std::uint8_t>(token >> 8)});
    return data;
}

Bytes Stream(std::initializer_list<Bytes> chunks, bool firstStored = false) {
    Bytes stream;
    for (const Bytes& data : chunks) {
        const bool compressed = !(firstStored && stream.empty());
        const auto header = static_cast<std::uint16_t>((data.size() - 1) | 0x3000 | (compressed ? 0x8000 : 0));
        stream.insert(stream.end(), {static_cast<std::uint8_t>(header), static_cast<std::uint8_t>(header >> 8)});
        stream.insert(stream.end(), data.begin(), data.end());
    }
    return stream;
}

std::optional<Bytes> Decompress(const Bytes& input, std::size_t capacity) {
    Bytes output(capacity, 0xEE);
    std::size_t produced = 0;
    if (!DecodeLznt1(input, output, produced)) return std::nullopt;
    output.resize(produced);
    return output;
}

TEST(Lznt1Test, ChunksDecodeCopyAndPadToTheirPlaces) {
    // Four literals, then eight bytes from four back (overlapping what they produce).
    const auto small = Decompress(Stream({{0x10, 'a', 'b', 'c', 'd', 0x05, 0x30}}), 64);
    ASSERT_TRUE(small);
    EXPECT_EQ(std::string(small->begin(), small->end()), "abcdabcdabcd");

    Bytes stored(4096);
    std::iota(stored.begin(), stored.end(), 0);
    const auto three = Decompress(Stream({stored, PeriodicChunk(100), PeriodicChunk(4096)}, true), 3 * 4096);
    ASSERT_TRUE(three);
    Bytes padded = Repeated(100);
    padded.resize(4096, 0);
    EXPECT_EQ(*three, test::Joined({stored, padded, Repeated(4096)}));

    // The output never passes its capacity.
    EXPECT_EQ(Decompress(Stream({PeriodicChunk(4096), PeriodicChunk(4096)}), 5000), test::Joined({Repeated(4096), Repeated(904)}));
}

TEST(Lznt1Test, DamagedChunksAreReportedWithWhatCameBefore) {
    Bytes truncated = Stream({PeriodicChunk(4096), PeriodicChunk(4096)});
    truncated.resize(truncated.size() - 10);
    Bytes output(8192);
    std::size_t produced = 0;
    EXPECT_FALSE(DecodeLznt1(truncated, output, produced));
    EXPECT_EQ(produced, 4096u);
    EXPECT_EQ(Bytes(output.begin(), output.begin() + 4096), Repeated(4096));

    EXPECT_FALSE(Decompress(Stream({PeriodicChunk(4096), {0x04, 'a', 'b', 0x00, 0x20}}), 8192));  // 3 back from 2
    EXPECT_FALSE(Decompress(Stream({{0x01, 0x00, 0x00}}), 8192));                                // before any byte
    EXPECT_FALSE(Decompress(Stream({{0x02, 'a', 0x01}}), 8192));                                 // half a reference
}

// A scratch image whose sectors the compressed read's units point into.
class CompressedReadTest : public ::testing::Test {
protected:
    void Prepare(const Bytes& image, std::uint32_t sectorsPerCluster) {
        test::WriteBinaryFile(dir / "units.img", image);
        ASSERT_TRUE(source.Open(ToUtf16((dir / "units.img").string())));
        volume.source = &source;
        volume.mft.sectorsPerCluster = sectorsPerCluster;
    }

    static FileExtent Unit(std::uint64_t start, std::uint64_t count, std::vector<ExtentPiece> pieces = {}) {
        return FileExtent{std::move(pieces), start, count};
    }

    Bytes Read(const ExtentList& units, std::uint64_t size, std::uint64_t offset, std::size_t count, bool expected) {
        Bytes buffer(count, 0xEE);
        EXPECT_EQ(ReadCompressed(volume, units, size, offset, buffer), expected);
        return buffer;
    }

    test::TempDir dir;
    SectorSource source;
    NtfsVolume volume;
};

TEST_F(CompressedReadTest, WholeUnitsAreCopiedAndEmptyOnesReadAsZeros) {
    const Bytes image = test::PatternBytes(256 * 512);
    Prepare(image, 8);
    // Unit 1's two pieces are read back to back: 128 of 128 sectors, stored plainly.
    const ExtentList units{Unit(0, 0), Unit(16, 64, {{128, 64}})};
    EXPECT_EQ(Read(units, 2 * 65536, 0, 65536, true), Bytes(65536, 0));
    const Bytes stored = test::Joined({Bytes(image.begin() + 16 * 512, image.begin() + 80 * 512),
                                 Bytes(image.begin() + 128 * 512, image.begin() + 192 * 512)});
    EXPECT_EQ(Read(units, 2 * 65536, 65536, 65536, true), stored);
    EXPECT_EQ(Read(units, 2 * 65536, 65000, 1000, true), test::Joined({Bytes(536, 0), Bytes(stored.begin(), stored.begin() + 464)}));
}

TEST_F(CompressedReadTest, FortyThousandBytesAtFourSectorsPerClusterReadAPlainAndACompressedUnit) {
    Bytes image = test::PatternBytes(128 * 512);
    const Bytes stream = Stream({PeriodicChunk(4096), PeriodicChunk(40000 - 32768 - 4096)});
    std::copy(stream.begin(), stream.end(), image.begin() + 100 * 512);
    std::fill(image.begin() + 100 * 512 + static_cast<std::ptrdiff_t>(stream.size()), image.begin() + 104 * 512, 0);
    Prepare(image, 4);
    const Bytes file = Read({Unit(20, 64), Unit(100, 4)}, 40000, 0, 40000, true);
    EXPECT_EQ(file, test::Joined({Bytes(image.begin() + 20 * 512, image.begin() + 84 * 512), Repeated(4096), Repeated(40000 - 36864)}));
}

TEST_F(CompressedReadTest, UnitThatDecodesShortEndsInZerosAndTheReadMovesOn) {
    Bytes image = test::PatternBytes(256 * 512);
    const Bytes stream = Stream({PeriodicChunk(300)});
    std::fill(image.begin() + 200 * 512, image.begin() + 208 * 512, 0);
    std::copy(stream.begin(), stream.end(), image.begin() + 200 * 512);
    Prepare(image, 8);
    // A stored unit first, so that nothing of it may show through the short one.
    Bytes unit = Repeated(300);
    unit.resize(65536, 0);
    const Bytes stored(image.begin() + 16 * 512, image.begin() + 144 * 512);
    EXPECT_EQ(Read({Unit(16, 128), Unit(200, 8)}, 2 * 65536, 0, 2 * 65536, true), test::Joined({stored, unit}));
}

TEST_F(CompressedReadTest, OversizedMissingOrUndecodableUnitsFailWithZeros) {
    Prepare(Bytes(512 * 512, 0x5A), 8);
    EXPECT_EQ(Read({Unit(0, 100, {{200, 29}})}, 65536, 0, 100, false), Bytes(100, 0));  // more than a unit
    EXPECT_EQ(Read({Unit(0, 128)}, 2 * 65536, 65536, 10, false), Bytes(10, 0));        // no unit there
    EXPECT_EQ(Read({Unit(0, 128)}, 1000, 900, 200, false), test::Joined({Bytes(100, 0x5A), Bytes(100, 0)}));
    EXPECT_EQ(Read({Unit(0, 8)}, 65536, 0, 10, false), Bytes(10, 0));  // 0x5A5A claims too long a chunk
}

TEST(CompressionUnitsTest, RunsAreGroupedSixteenClustersAtATime) {
    NtfsVolume volume;
    volume.mft.sectorsPerCluster = 8;
    volume.volumeStart = 1000;
    // 3 stored clusters + 13 sparse, then 16 stored in two runs, then 16 sparse.
    const MftRunList runs{{100, 3, false}, {0, 13, true}, {200, 10, false}, {300, 6, false}, {0, 16, true}};
    const ExtentList units = GroupCompressionUnits(volume, runs, 3 * 65536);
    ASSERT_EQ(units.size(), 3u);
    EXPECT_EQ(std::tuple(units[0].startSector, units[0].sectorCount, units[0].pieces.size()), std::tuple(1800u, 24u, 0u));
    EXPECT_EQ(std::tuple(units[1].startSector, units[1].sectorCount), std::tuple(2600u, 80u));
    ASSERT_EQ(units[1].pieces.size(), 1u);
    EXPECT_EQ(std::tuple(units[1].pieces[0].startSector, units[1].pieces[0].sectorCount), std::tuple(3400u, 48u));
    EXPECT_EQ(units[2].sectorCount, 0u);
    // Only the units the size needs are made, and none past the volume's end.
    EXPECT_EQ(GroupCompressionUnits(volume, {{100, 0xFFFFFFF0u, false}}, 65536).size(), 1u);
    volume.clusterCount = 310;
    EXPECT_EQ(GroupCompressionUnits(volume, {{100, 16, false}, {300, 16, false}}, 2 * 65536).size(), 1u);
}

}  // namespace
}  // namespace tundrel
