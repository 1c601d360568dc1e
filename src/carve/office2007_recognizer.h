#pragma once
// Office 2007 documents (DOCX, XLSX, PPTX): ZIP packages whose first entry is the
// "[Content_Types]" part or the package relationships, walked as ZIP; the kind is told by the
// central directory's parts.

#include <memory>

#include "carve/recognizer.h"

namespace tundrel {

std::unique_ptr<Recognizer> MakeOffice2007Recognizer();

}  // namespace tundrel
