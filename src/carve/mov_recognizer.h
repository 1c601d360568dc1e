#pragma once
// QuickTime movies: an "ftyp" box with the "qt  " brand, or a file that opens with its "moov"
// box; then the box walk.

#include <memory>

#include "carve/recognizer.h"

namespace tundrel {

std::unique_ptr<Recognizer> MakeMovRecognizer();

}  // namespace tundrel
