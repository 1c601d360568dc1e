#pragma once
// Flash video: the FLV header, then tags, each after the size of the tag before it.

#include <memory>

#include "carve/recognizer.h"

namespace tundrel {

std::unique_ptr<Recognizer> MakeFlvRecognizer();

}  // namespace tundrel
