#pragma once
// PDF documents: "%PDF" at a block start, and the end at an "%%EOF" that closes the file rather
// than an incremental update's revision.

#include <memory>

#include "carve/recognizer.h"

namespace tundrel {

std::unique_ptr<Recognizer> MakePdfRecognizer();

}  // namespace tundrel
