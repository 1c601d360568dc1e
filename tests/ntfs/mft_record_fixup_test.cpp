// Realignment and first-sector fixup of MFT records, on records that mkntfs wrote.

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "ntfs/mft_record_fixup.h"
#include "support/byte_reader.h"
#include "test_support.h"

namespace tundrel {
namespace {

using Bytes = std::vector<std::uint8_t>;

// The first two records of the MFT of the NTFS test image ($MFT and $MFTMirr), as on disk.
class MftRecordFixupTest : public ::testing::Test {
protected:
    void SetUp() override {
        const auto image = test::TestImage("ntfs");
        const Bytes boot = test::ReadFileBytes(image, 0, 512);
        const ByteReader reader(boot);
        const std::uint64_t mft = reader.U64(48) * reader.U8(13) * 512;
        records = test::ReadFileBytes(image, mft, 2 * kMftRecordBytes);
        ASSERT_TRUE(std::equal(records.begin(), records.begin() + 4, "FILE"));
    }
    Bytes First() const { return Bytes(records.begin(), records.begin() + kMftRecordBytes); }

    Bytes records;
};

// As read, the sequence number stands in both sector ends; only a plausible update sequence
// (at 0x30 with three entries, as mkntfs wrote it) gives the first sector its saved bytes back.
TEST_F(MftRecordFixupTest, FirstSectorGetsItsSavedBytesBackOnlyFromAPlausibleUpdateSequence) {
    for (const auto& [offset, count] :
         {std::pair{0x30, 3}, std::pair{0x00, 3}, std::pair{0x50, 3}, std::pair{0x30, 1}}) {
        Bytes record = First();
        record[4] = static_cast<std::uint8_t>(offset);
        record[6] = static_cast<std::uint8_t>(count);
        Bytes expected = record;
        if (offset == 0x30 && count == 3) std::copy_n(record.begin() + 0x32, 2, expected.begin() + 510);
        FixupFirstSector(record);
        EXPECT_EQ(record, expected) << "offset " << offset << ", count " << count;  // 1022-1023 stay as read
    }
}

TEST_F(MftRecordFixupTest, RecordsOffTheirBlocksAreMovedBack) {
    // Both records pushed 16 and 1000 bytes into their blocks.
    for (const std::size_t shift : {std::size_t{16}, std::size_t{1000}}) {
        Bytes buffer(2 * kMftRecordBytes, 0xEE);
        for (int k = 0; k < 2; ++k) {
            std::copy_n(records.begin() + k * kMftRecordBytes, kMftRecordBytes - shift,
                        buffer.begin() + k * kMftRecordBytes + static_cast<std::ptrdiff_t>(shift));
        }
        RealignMftRecords(buffer);
        for (int k = 0; k < 2; ++k) {
            const auto block = buffer.begin() + k * kMftRecordBytes;
            EXPECT_TRUE(std::equal(block, block + kMftRecordBytes - shift, records.begin() + k * kMftRecordBytes))
                << "record " << k << " shifted by " << shift;
        }
        // What followed the first block's record is the second block's start; past the end, zeros.
        EXPECT_EQ(buffer[kMftRecordBytes - shift], 0xEE);
        EXPECT_TRUE(std::all_of(buffer.end() - static_cast<std::ptrdiff_t>(shift), buffer.end(),
                                [](std::uint8_t b) { return b == 0; }));
    }
}

TEST_F(MftRecordFixupTest, BlocksWithoutASignatureFurtherInStayAsTheyAre) {
    Bytes aligned = records;
    RealignMftRecords(aligned);
    EXPECT_EQ(aligned, records);

    Bytes noRecord(kMftRecordBytes, 0x46);  // "FFFF...": never "FILE"
    noRecord[1022] = 'F';
    noRecord[1023] = 'I';  // a signature may not start as late as 1022
    const Bytes before = noRecord;
    RealignMftRecords(noRecord);
    EXPECT_EQ(noRecord, before);
}

TEST(MftRecordFixup, ShortBuffersStayWithinTheirBounds) {
    Bytes tiny = {'x', 'F', 'I', 'L', 'E', 0x30, 0, 3};
    RealignMftRecords(tiny);
    EXPECT_EQ(tiny, (Bytes{'F', 'I', 'L', 'E', 0x30, 0, 3, 0}));

    Bytes sector(300, 0x11);
    std::copy_n("FILE\x30\0\3\0", 8, sector.begin());
    const Bytes before = sector;
    FixupFirstSector(sector);  // a valid update sequence, but no bytes 510-511 to restore
    EXPECT_EQ(sector, before);
}

}  // namespace
}  // namespace tundrel
