#pragma once
// The hex view of a file's bytes, for files of no family the preview can show as text.

#include <cstdint>
#include <span>
#include <string>

namespace tundrel {

// One line per 16 bytes, each ended by "\r\n":
// "00000010  48 65 6C 6C 6F 2C 20 77  6F 72 6C 64 0A 00 01 02  Hello, world...."
// the offset in 8 hex digits, the bytes in hex with a wider gap after the eighth, then the same
// bytes as text (printable ASCII as it is, '.' for any other byte). A short last line keeps its
// text column in place. The text grows about five characters per byte: callers pass at most
// what the preview reads.
std::u16string HexView(std::span<const std::uint8_t> bytes);

}  // namespace tundrel
