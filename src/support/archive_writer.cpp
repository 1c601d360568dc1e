#include "support/archive_writer.h"

#include <array>

namespace tundrel {
namespace {

template <std::size_t Width>
void WriteLittleEndian(std::ostream& out, std::uint64_t value) {
    std::array<char, Width> bytes{};
    for (std::size_t i = 0; i < Width; ++i) bytes[i] = static_cast<char>((value >> (8 * i)) & 0xFF);
    out.write(bytes.data(), Width);
}

}  // namespace

void ArchiveWriter::U8(std::uint8_t value) { WriteLittleEndian<1>(out_, value); }
void ArchiveWriter::U16(std::uint16_t value) { WriteLittleEndian<2>(out_, value); }
void ArchiveWriter::U32(std::uint32_t value) { WriteLittleEndian<4>(out_, value); }
void ArchiveWriter::U64(std::uint64_t value) { WriteLittleEndian<8>(out_, value); }

void ArchiveWriter::Bytes(std::span<const std::uint8_t> bytes) {
    out_.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

void ArchiveWriter::String(std::u16string_view text) {
    U8(0xFF);
    U16(0xFFFE);
    const std::uint64_t length = text.size();
    if (length < 0xFF) {
        U8(static_cast<std::uint8_t>(length));
    } else if (length < 0xFFFE) {
        U8(0xFF);
        U16(static_cast<std::uint16_t>(length));
    } else {
        U8(0xFF);
        U16(0xFFFF);
        U32(static_cast<std::uint32_t>(length));
    }
    for (const char16_t unit : text) U16(static_cast<std::uint16_t>(unit));
}

}  // namespace tundrel
