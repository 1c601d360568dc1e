#pragma once
// The text of a text file, whatever it was written in: UTF-16 or UTF-8 told by a byte-order
// mark, UTF-8 told by its bytes, else the ANSI code page.

#include <cstdint>
#include <span>
#include <string>

namespace tundrel {

class AnsiCodePage;

// NUL characters become spaces, so that a text view does not end at the first one.
std::u16string DecodePlainText(std::span<const std::uint8_t> bytes, AnsiCodePage& ansi);

}  // namespace tundrel
