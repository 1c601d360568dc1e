#pragma once
// Which view shows a found file, told by its name's extension.

#include <string>
#include <string_view>

namespace tundrel {

enum class PreviewFamily : unsigned char { Text, Image, Spreadsheet, Pdf, Hex };

// Within the text family, the files that are not shown as they stand.
enum class TextDocument : unsigned char {
    Plain,
    Doc,       // Word binary: compound document
    Docx,      // Word Open XML
    Ppt,       // PowerPoint binary: compound document
    Pptx,      // PowerPoint Open XML
    Archive,   // ZIP, JAR or RAR: listed
    RichText,  // RTF: shown as its plain text
};

// The family of a file named `name`, by its extension compared without regard to case; a name
// without an extension, or with one no family knows, is shown in hex.
PreviewFamily FamilyOfName(std::u16string_view name);
TextDocument TextDocumentOfName(std::u16string_view name);

}  // namespace tundrel
