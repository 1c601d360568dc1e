#pragma once
// The one way on-disk fields are read: little-endian, and checked against the buffer.

#include <cstddef>
#include <cstdint>
#include <span>

namespace tundrel {

// Reads little-endian fields of a byte buffer. A field that does not lie wholly inside the
// buffer reads as 0, so a damaged structure can never lead a parser outside its buffer;
// parsers that must tell "0" from "absent" ask Has() first.
class ByteReader {
public:
    explicit ByteReader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

    std::size_t size() const { return bytes_.size(); }
    bool Has(std::size_t offset, std::size_t length) const {
        return offset <= bytes_.size() && length <= bytes_.size() - offset;
    }

    std::uint8_t U8(std::size_t offset) const { return Has(offset, 1) ? bytes_[offset] : 0; }
    std::uint16_t U16(std::size_t offset) const { return static_cast<std::uint16_t>(Unsigned(offset, 2)); }
    std::uint32_t U32(std::size_t offset) const { return static_cast<std::uint32_t>(Unsigned(offset, 4)); }
    std::uint64_t U64(std::size_t offset) const { return Unsigned(offset, 8); }

    // The sub-range [offset, offset + length), or an empty span when it is not wholly inside.
    std::span<const std::uint8_t> Bytes(std::size_t offset, std::size_t length) const {
        return Has(offset, length) ? bytes_.subspan(offset, length) : std::span<const std::uint8_t>{};
    }

private:
    std::uint64_t Unsigned(std::size_t offset, std::size_t width) const {
        if (!Has(offset, width)) return 0;
        std::uint64_t value = 0;
        for (std::size_t i = width; i-- > 0;) value = (value << 8) | bytes_[offset + i];
        return value;
    }

    std::span<const std::uint8_t> bytes_;
};

}  // namespace tundrel
