#pragma once
// Little-endian fields written into a byte buffer, the counterpart of ByteReader for the few
// records the program makes up itself (boot records of rebuilt volumes).

#include <cstddef>
#include <cstdint>
#include <span>

namespace tundrel {

// The low `width` bytes of `value` at `offset`; bytes that would fall beyond the buffer are not written.
inline void PutLittleEndian(std::span<std::uint8_t> bytes, std::size_t offset, std::uint64_t value, int width) {
    for (int i = 0; i < width; ++i) {
        const std::size_t at = offset + static_cast<std::size_t>(i);
        if (at < bytes.size()) bytes[at] = static_cast<std::uint8_t>(value >> (8 * i));
    }
}

}  // namespace tundrel
