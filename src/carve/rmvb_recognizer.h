#pragma once
// RealMedia video (RM, RMVB): a ".RMF" chunk, then the chunks of the file header and data.

#include <memory>

#include "carve/recognizer.h"

namespace tundrel {

std::unique_ptr<Recognizer> MakeRmvbRecognizer();

}  // namespace tundrel
