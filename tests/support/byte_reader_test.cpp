// The checked little-endian reader every on-disk parser goes through.

#include <gtest/gtest.h>

#include <array>
#include <limits>

#include "support/byte_reader.h"

namespace tundrel {
namespace {

TEST(ByteReaderTest, ReadsLittleEndianFields) {
    const std::array<std::uint8_t, 10> bytes{0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0xFF};
    const ByteReader reader(bytes);
    EXPECT_EQ(reader.U8(9), 0xFF);
    EXPECT_EQ(reader.U16(0), 0x0201);
    EXPECT_EQ(reader.U32(1), 0x05040302u);
    EXPECT_EQ(reader.U64(2), 0xFF09080706050403ULL);
}

TEST(ByteReaderTest, FieldsOutsideTheBufferReadAsZero) {
    const std::array<std::uint8_t, 4> bytes{0xAA, 0xBB, 0xCC, 0xDD};
    const ByteReader reader(bytes);
    EXPECT_EQ(reader.U32(1), 0u);  // straddles the end
    EXPECT_EQ(reader.U16(3), 0u);
    EXPECT_EQ(reader.U8(4), 0u);
    EXPECT_EQ(reader.U64(std::numeric_limits<std::size_t>::max() - 2), 0u);  // offset + width overflows
    EXPECT_FALSE(reader.Has(std::numeric_limits<std::size_t>::max(), 2));
    EXPECT_TRUE(reader.Has(4, 0));
    EXPECT_TRUE(reader.Bytes(3, 2).empty());
    EXPECT_EQ(reader.Bytes(1, 3).size(), 3u);
}

}  // namespace
}  // namespace tundrel
