#pragma once
// The file extensions under which a file of a carving type is listed, so that a find can be
// matched with a file the scan already lists: the type's own name, and the extensions the
// extension-to-content-type map gives the type (DOCX, XLSX and PPTX are Office 2007 files;
// PPT and WPS files are also taken for DOC ones, as a compound document's start test sees them).

#include <string>
#include <string_view>
#include <vector>

namespace tundrel {

// Upper-case extensions without the dot, the type's own name first when it is one.
std::vector<std::u16string> ExtensionsOfType(std::string_view typeName);

}  // namespace tundrel
