#pragma once
// The text of a Word Open XML document (.docx) for the preview pane.

#include <cstdint>
#include <span>
#include <string>

namespace tundrel {

// Each text run of "word/document.xml" on a line of its own, then wrapped as document text.
// Empty when the bytes are not a package holding that member, or when the member's declaration
// does not name UTF-8.
std::u16string DocxText(std::span<const std::uint8_t> file);

}  // namespace tundrel
