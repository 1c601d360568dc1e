#pragma once
// A preview as plain text, for a front end without the pane's own viewers (a terminal): the
// grid as tab-separated rows per sheet, the PDF text with its page headings, an image as its
// format and pixel size.

#include <string>

#include "preview/preview_content.h"

namespace tundrel {

std::u16string PreviewAsText(const PreviewContent& content);

}  // namespace tundrel
