#pragma once
// Whether a file, or anything below a folder, is the kind of document a user makes.

#include "scan/scan_node.h"

namespace tundrel {

// A file whose extension (upper-cased) is one of the document, picture, media, archive and
// mail types users keep; a directory when any file below it is.
bool HoldsUserDocument(const ScanNode& node);

}  // namespace tundrel
