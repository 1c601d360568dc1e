#pragma once
// MPEG-1 and MPEG-2 program streams: a pack header, then packs and packets to the end code.

#include <memory>

#include "carve/recognizer.h"

namespace tundrel {

std::unique_ptr<Recognizer> MakeMpegRecognizer();

}  // namespace tundrel
