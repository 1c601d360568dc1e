#pragma once
// Fixed texts and bytes at fixed offsets of a block, read through the bounds-checked reader.

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>

#include "support/byte_reader.h"

namespace tundrel {

// Whether the bytes at `offset` are the characters of `text`; false when they run past the buffer.
inline bool HasText(std::span<const std::uint8_t> bytes, std::size_t offset, std::string_view text) {
    const std::span<const std::uint8_t> field = ByteReader(bytes).Bytes(offset, text.size());
    if (field.size() != text.size()) return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (field[i] != static_cast<std::uint8_t>(text[i])) return false;
    }
    return true;
}

inline bool HasBytes(std::span<const std::uint8_t> bytes, std::size_t offset, std::initializer_list<std::uint8_t> expected) {
    const std::span<const std::uint8_t> field = ByteReader(bytes).Bytes(offset, expected.size());
    if (field.size() != expected.size()) return false;
    std::size_t i = 0;
    for (std::uint8_t value : expected) {
        if (field[i++] != value) return false;
    }
    return true;
}

// Up to `length` bytes from `offset` as characters (fewer at the buffer's end).
inline std::string TextOf(std::span<const std::uint8_t> bytes, std::size_t offset, std::size_t length) {
    std::string text;
    for (std::size_t i = offset; i < bytes.size() && i - offset < length; ++i) text.push_back(static_cast<char>(bytes[i]));
    return text;
}

}  // namespace tundrel
