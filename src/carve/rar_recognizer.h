#pragma once
// RAR archives (versions 1.5 to 4): the marker block, a main header whose CRC checks out and a
// first file header, then the walk over the archive's headers; named after the first file's
// folder or name.

#include <memory>

#include "carve/recognizer.h"

namespace tundrel {

std::unique_ptr<Recognizer> MakeRarRecognizer();

}  // namespace tundrel
