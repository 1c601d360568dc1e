#pragma once
// JPEG pictures (EXIF or JFIF): found by their end of image marker. For an EXIF picture the
// end is the first FF D9 after the main image's frame header, found by its height and width,
// which skips the end marker of the thumbnail inside the EXIF segment.

#include <memory>

#include "carve/recognizer.h"

namespace tundrel {

std::unique_ptr<Recognizer> MakeJpegRecognizer();

}  // namespace tundrel
