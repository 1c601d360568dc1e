#include "support/archive_reader.h"

#include <algorithm>
#include <array>
#include <vector>

#include "support/byte_reader.h"

namespace tundrel {
namespace {

constexpr std::uint8_t kWideMarkByte = 0xFF;
constexpr std::uint16_t kWideMarkWord = 0xFFFE;
constexpr std::uint16_t kLongLength = 0xFFFF;

}  // namespace

bool ArchiveReader::Bytes(std::span<std::uint8_t> bytes) {
    if (!good_ || bytes.size() > left_) {
        good_ = false;
        std::fill(bytes.begin(), bytes.end(), 0);
        return false;
    }
    in_.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (in_.gcount() != static_cast<std::streamsize>(bytes.size())) {
        good_ = false;
        std::fill(bytes.begin(), bytes.end(), 0);
        return false;
    }
    left_ -= bytes.size();
    return true;
}

std::uint8_t ArchiveReader::U8() {
    std::array<std::uint8_t, 1> field{};
    Bytes(field);
    return ByteReader(field).U8(0);
}

std::uint16_t ArchiveReader::U16() {
    std::array<std::uint8_t, 2> field{};
    Bytes(field);
    return ByteReader(field).U16(0);
}

std::uint32_t ArchiveReader::U32() {
    std::array<std::uint8_t, 4> field{};
    Bytes(field);
    return ByteReader(field).U32(0);
}

std::uint64_t ArchiveReader::U64() {
    std::array<std::uint8_t, 8> field{};
    Bytes(field);
    return ByteReader(field).U64(0);
}

bool ArchiveReader::CanHold(std::uint64_t count, std::uint64_t itemBytes) const {
    return good_ && (itemBytes == 0 || count <= left_ / itemBytes);
}

std::u16string ArchiveReader::String() {
    if (U8() != kWideMarkByte || U16() != kWideMarkWord) {
        good_ = false;
        return {};
    }
    std::uint64_t length = U8();
    if (length == 0xFF) {
        length = U16();
        if (length == kLongLength) {
            length = U32();
        } else if (length == kWideMarkWord) {
            good_ = false;  // a second mark: no form this format writes
        }
    }
    if (!CanHold(length, 2)) {
        good_ = false;
        return {};
    }
    std::vector<std::uint8_t> units(static_cast<std::size_t>(length) * 2);
    if (!Bytes(units)) return {};
    const ByteReader reader(units);
    std::u16string text(static_cast<std::size_t>(length), u'\0');
    for (std::size_t i = 0; i < text.size(); ++i) text[i] = static_cast<char16_t>(reader.U16(2 * i));
    return text;
}

}  // namespace tundrel
