#pragma once
// Recognizers of the types whose whole length the file's first block tells: a length field
// of the header, or a fixed size. A find is complete in the block where it starts.

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string_view>

#include "carve/recognizer.h"

namespace tundrel {

// The file's length in bytes when a file of the type starts in `block` (one 512-byte block);
// nothing when it does not.
using FirstBlockMeasure = std::optional<std::uint64_t> (*)(std::span<const std::uint8_t> block);

// A recognizer that names each find `prefix` + its first sector + `suffix`; `key` is a
// necessary condition of `measure` finding a file.
std::unique_ptr<Recognizer> MakeFirstBlockRecognizer(FirstBlockMeasure measure, StartKey key, std::u16string_view prefix,
                                                     std::u16string_view suffix);

// True when the bytes from `offset` are `text`.
bool HasTextAt(std::span<const std::uint8_t> block, std::size_t offset, std::string_view text);

// The RIFF form's length (the chunk size at 4, plus the 8 bytes of the chunk header) when the
// block opens a RIFF chunk whose form text, from byte 8, is `form`.
std::optional<std::uint64_t> RiffFormLength(std::span<const std::uint8_t> block, std::string_view form);

// The key of the RIFF forms: "RIFF" opens the block.
inline StartKey RiffKey() { return StartKey::At(0, {'R'}); }

// The size raw photo formats are taken to have: their length is nowhere in the header.
inline constexpr std::uint64_t kRawPhotoBytes = 30 * 1024 * 1024;

}  // namespace tundrel
