#pragma once
// FlateDecode: a PDF stream inflated through zlib, to a limit.

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace tundrel {

// The bytes `compressed` inflates to, at most `limit` of them. A stream written without the
// zlib header is taken as raw deflate; a stream damaged or cut short gives what inflated
// before the damage (nothing when nothing did).
std::vector<std::uint8_t> InflatePdfStream(std::span<const std::uint8_t> compressed, std::size_t limit);

}  // namespace tundrel
