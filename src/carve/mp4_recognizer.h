#pragma once
// MP4 video: an "ftyp" box with an ISO or MP4 brand, then the box walk.

#include <memory>

#include "carve/recognizer.h"

namespace tundrel {

std::unique_ptr<Recognizer> MakeMp4Recognizer();

}  // namespace tundrel
