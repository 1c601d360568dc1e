#pragma once
// The name of an entry of an archive as its header stores it: UTF-8, or 8-bit text of the
// system's code page.

#include <cstdint>
#include <span>
#include <string>

#include "platform/ansi_code_page.h"

namespace tundrel {

// UTF-8 when the archive says so (`utf8`) or when the bytes are well-formed UTF-8 holding
// more than ASCII (as tools on Linux write names without saying so); otherwise the code page.
std::u16string ArchiveEntryName(std::span<const std::uint8_t> bytes, bool utf8, AnsiCodePage& codePage);

// Whether the bytes are well-formed UTF-8 (no overlong forms, surrogates or values past U+10FFFF).
bool IsWellFormedUtf8(std::span<const std::uint8_t> bytes);

}  // namespace tundrel
