#pragma once
// What a JPEG's EXIF segment (APP1, right after the start of image) tells about where the main
// image lies: the end of its thumbnail, the main image's size, and the camera and date texts.

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace tundrel {

struct ExifSummary {
    std::uint64_t segmentEnd = 0;                 // file offset just past the APP1 segment
    std::optional<std::uint64_t> thumbnailEnd;    // file offset just past the thumbnail
    // The main image's height and width as the frame header holds them (BE u16 each).
    std::optional<std::array<std::uint8_t, 4>> frameSize;
};

// Reads the TIFF structure inside the APP1 segment of `jpeg` (the file from its first byte, as
// far as it is at hand); nothing when the segment is not EXIF. Offsets that point past the bytes
// at hand leave their fields out.
std::optional<ExifSummary> ReadExifSummary(std::span<const std::uint8_t> jpeg);

// In bytes 48 to 499 of the first block: whether a run of four printable characters (the camera's
// make and model) stands there, and the first text that starts "20" and has ':' as its fifth
// character (the date, "yyyy:mm:dd hh:mm:ss"), empty when there is none.
bool HasCameraText(std::span<const std::uint8_t> block);
std::string ExifDateText(std::span<const std::uint8_t> block);

}  // namespace tundrel
