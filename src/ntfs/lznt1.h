#pragma once
// LZNT1, the compression of NTFS compressed files: 4096-byte chunks of literals and
// back-references.

#include <cstddef>
#include <cstdint>
#include <span>

namespace tundrel {

inline constexpr std::size_t kLznt1ChunkBytes = 4096;

// Decodes `input` into `output`, never writing past output.size(); `produced` receives the
// number of bytes written. Decoding ends at a zero chunk header, at the end of the input, or
// when the output is full. A chunk that decodes to less than 4096 bytes and is followed by
// another is padded with zeros, so every chunk starts at its own place. False when a chunk
// claims more bytes than the input holds or a back-reference points before its chunk.
bool DecodeLznt1(std::span<const std::uint8_t> input, std::span<std::uint8_t> output, std::size_t& produced);

}  // namespace tundrel
