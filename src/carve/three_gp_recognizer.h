#pragma once
// 3GP video (mobile phones): an "ftyp" box with a 3GPP brand, then the box walk.

#include <memory>

#include "carve/recognizer.h"

namespace tundrel {

std::unique_ptr<Recognizer> MakeThreeGpRecognizer();

}  // namespace tundrel
