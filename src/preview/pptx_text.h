#pragma once
// The text of a PowerPoint Open XML presentation (.pptx) for the preview pane.

#include <cstdint>
#include <span>
#include <string>

namespace tundrel {

// The most slides a presentation is read for.
inline constexpr unsigned kMaxPreviewSlides = 10'000;

// For each slide the "docProps/app.xml" count gives (at most kMaxPreviewSlides), a separator
// line with its number, then the text of its runs, each text body ending a line; wrapped as
// document text. Empty without that member; when it has no count, the slides numbered from 1.
std::u16string PptxText(std::span<const std::uint8_t> file);

}  // namespace tundrel
