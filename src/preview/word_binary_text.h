#pragma once
// The text of a Word binary document (.doc) for the preview pane.

#include <string>

#include "platform/ansi_code_page.h"
#include "preview/compound_document.h"

namespace tundrel {

// The document's text in the order of its piece table, wrapped for the preview; 8-bit pieces
// are widened through `codePage`. Without a usable piece table, the text between the header's
// text bounds in lines of 81 units. "Encrpyted!" for an encrypted document, "No supportted the
// file!" for a damaged piece table, and nothing for a document without a "WordDocument" stream
// of at least 1,024 bytes.
std::u16string WordBinaryText(const CompoundDocument& document, AnsiCodePage& codePage);

}  // namespace tundrel
