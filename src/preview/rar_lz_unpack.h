#pragma once
// Unpacking of small RAR 2.9 (RAR 3.x) LZ data, as the archive's and its files' comments are
// stored: the Huffman tables and the LZ matches, without the PPM mode and the filter programs
// that comments do not use.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace tundrel {

// The first `unpackedSize` bytes that `packed` unpacks to (non-solid). Nothing when the data
// uses PPM or filters, or is damaged: a table or match that cannot be, a match reaching back
// before the start, or the data running out first.
std::optional<std::vector<std::uint8_t>> UnpackRarLz(std::span<const std::uint8_t> packed, std::size_t unpackedSize);

}  // namespace tundrel
