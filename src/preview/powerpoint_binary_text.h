#pragma once
// The text of a PowerPoint binary presentation (.ppt) for the preview pane.

#include <string>

#include "platform/ansi_code_page.h"
#include "preview/compound_document.h"

namespace tundrel {

// The text of the slides, in slide order, wrapped for the preview; 8-bit text is widened through
// `codePage`. The slides are found from the "Current User" stream through the last edit's
// persist directory; when that path is broken, the whole "PowerPoint Document" stream is walked
// in order instead. Nothing without both streams, or with a document stream under 1,024 bytes.
std::u16string PowerPointBinaryText(const CompoundDocument& document, AnsiCodePage& codePage);

}  // namespace tundrel
