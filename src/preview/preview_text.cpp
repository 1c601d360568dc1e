#include "preview/preview_text.h"

#include <cctype>

#include "preview/pdf_text.h"
#include "preview/sheet_grid.h"
#include "support/strings.h"
#include "support/text.h"

namespace tundrel {

std::u16string PreviewAsText(const PreviewContent& content) {
    switch (content.kind) {
    case PreviewKind::Nothing: return {};
    case PreviewKind::Text:
    case PreviewKind::RichText:
    case PreviewKind::Listing:
    case PreviewKind::Hex: return content.text;
    case PreviewKind::Grid: return WorkbookAsTabSeparated(content.workbook);
    case PreviewKind::PdfPages: return PdfDisplayText(content.pages);
    case PreviewKind::Image: {
        const ImageFacts& image = content.image;
        if (image.format.empty()) return {};
        std::string format = image.format;
        for (char& c : format) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        return ToUtf16(Formatted(StringId::PreviewImageFacts, format.c_str(), image.width, image.height));
    }
    }
    return {};
}

}  // namespace tundrel
