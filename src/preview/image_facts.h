#pragma once
// What the first bytes of an image file tell of it: its format and its size in pixels, shown
// beside the picture in the preview.

#include <cstdint>
#include <span>
#include <string>

namespace tundrel {

struct ImageFacts {
    std::string format;  // "bmp", "jpeg", "png", "gif", "tiff"; empty when not recognised
    std::uint32_t width = 0;   // 0 when the bytes given end before the size
    std::uint32_t height = 0;
};

// BMP (the bitmap header; a top-down bitmap's negative height as its size), JPEG (the first
// start-of-frame marker, walking the segments from the start of the image), PNG (IHDR), GIF (the
// logical screen), TIFF (either byte order: ImageWidth and ImageLength of the first directory).
ImageFacts ReadImageFacts(std::span<const std::uint8_t> firstBytes);

}  // namespace tundrel
