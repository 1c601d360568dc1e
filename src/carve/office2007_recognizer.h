#pragma once
// Office 2007 documents (DOCX, XLSX, PPTX): ZIP packages whose first entry is the
// "[Content_Types]" part or the package relationships, walked as ZIP; the kind is told by the
// central directory's parts.

#include <memory>
#include <optional>
#include <string_view>

#include "carve/recognizer.h"

namespace tundrel {

// The kind of document a part in a document folder marks, as its extension: "docx" for
// "word/", "pptx" for "ppt/", "xlsx" for "xl/"; nothing for the package's own parts.
std::optional<std::string_view> Office2007KindOfPart(std::string_view nameStart);

std::unique_ptr<Recognizer> MakeOffice2007Recognizer();

}  // namespace tundrel
