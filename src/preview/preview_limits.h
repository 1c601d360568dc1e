#pragma once
// How much of a found file a preview reads.

#include <cstdint>

namespace tundrel {

// The preview reads at most this many bytes of a file: a larger file is shown from its start.
inline constexpr std::uint64_t kPreviewSizeLimit = 50'000'000;

// The preview reads a file in pieces of this size, so that a change of selection is noticed
// between two of them.
inline constexpr std::uint64_t kPreviewReadPiece = 64 * 1024;

// The most one compressed stream (a PDF stream, a ZIP member) may inflate to: a decompression
// bomb stops here.
inline constexpr std::uint64_t kInflateLimit = 64ull * 1024 * 1024;

}  // namespace tundrel
