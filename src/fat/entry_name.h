#pragma once
// The name a directory entry is shown under: its long name when long-name entries stand
// before it, else its short name in the ANSI code page with its case flags applied.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace tundrel {

class AnsiCodePage;

// Long names are cut to this many characters.
inline constexpr std::size_t kMaxLongNameChars = 255;

// The name of the short entry at `index`. `firstByte` stands in for the entry's byte 0 (a
// freed entry's lost first character is shown as "#"). A long name is taken from every
// long-name entry immediately before the entry, nearest first, whatever their ordinals and
// checksums say; an empty long name falls back to the short name.
std::u16string BuildEntryName(std::span<const std::uint8_t> directory, std::size_t index, std::uint8_t firstByte,
                              AnsiCodePage& codePage);

}  // namespace tundrel
