#pragma once
// Big-endian fields, as media containers store them, read through the bounds-checked reader:
// a field that does not lie wholly inside the buffer reads as 0.

#include <cstddef>
#include <cstdint>

#include "support/byte_reader.h"

namespace tundrel {

inline std::uint32_t BigEndian(const ByteReader& reader, std::size_t offset, std::size_t width) {
    if (width > 4 || !reader.Has(offset, width)) return 0;
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < width; ++i) value = (value << 8) | reader.U8(offset + i);
    return value;
}
inline std::uint16_t BigEndian16(const ByteReader& reader, std::size_t offset) {
    return static_cast<std::uint16_t>(BigEndian(reader, offset, 2));
}
inline std::uint32_t BigEndian32(const ByteReader& reader, std::size_t offset) { return BigEndian(reader, offset, 4); }

}  // namespace tundrel
