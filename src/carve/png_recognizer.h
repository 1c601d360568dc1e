#pragma once
// PNG pictures: the signature, then chunks up to IEND.

#include <memory>

#include "carve/recognizer.h"

namespace tundrel {

std::unique_ptr<Recognizer> MakePngRecognizer();

}  // namespace tundrel
