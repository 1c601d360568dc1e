#pragma once
// ZIP archives: the ZIP walk from a local header whose entry does not open an Office 2007
// package; named after the first entry's folder or name.

#include <memory>

#include "carve/recognizer.h"

namespace tundrel {

std::unique_ptr<Recognizer> MakeZipRecognizer();

}  // namespace tundrel
