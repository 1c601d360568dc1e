#pragma once
// Writes the archive format of saved scan results: little-endian integers, raw byte blocks and
// counted UTF-16 strings.

#include <cstdint>
#include <ostream>
#include <span>
#include <string_view>

namespace tundrel {

class ArchiveWriter {
public:
    explicit ArchiveWriter(std::ostream& out) : out_(out) {}

    void U8(std::uint8_t value);
    void U16(std::uint16_t value);
    void U32(std::uint32_t value);
    void U64(std::uint64_t value);
    void Bytes(std::span<const std::uint8_t> bytes);
    // The byte FF and the word FFFE (UTF-16 follows), the length in characters (one byte below
    // 255; else FF and a word below 65,534; else FF, FFFF and a 32-bit word), then the code units.
    void String(std::u16string_view text);

    // False once a write to the stream failed.
    bool Good() const { return out_.good(); }

private:
    std::ostream& out_;
};

}  // namespace tundrel
