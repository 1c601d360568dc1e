#include "preview/file_preview.h"

#include <algorithm>
#include <new>
#include <optional>
#include <vector>

#include "platform/ansi_code_page.h"
#include "preview/compound_document.h"
#include "preview/docx_text.h"
#include "preview/found_file_reader.h"
#include "preview/hex_view.h"
#include "preview/image_facts.h"
#include "preview/pdf_text.h"
#include "preview/plain_text.h"
#include "preview/powerpoint_binary_text.h"
#include "preview/pptx_text.h"
#include "preview/preview_family.h"
#include "preview/preview_selection.h"
#include "preview/rar_listing.h"
#include "preview/rtf_text.h"
#include "preview/word_binary_text.h"
#include "preview/xls_workbook.h"
#include "preview/xlsx_workbook.h"
#include "preview/zip_listing.h"
#include "scan/name_case.h"
#include "scan/scan_node.h"
#include "support/strings.h"
#include "support/text.h"

namespace tundrel {

bool PreviewRequest::StillSelected() const { return selection == nullptr || selection->Current() == generation; }

namespace {

struct FileBytes {
    std::vector<std::uint8_t> bytes;
    bool whole = false;  // every byte up to the limit was read
};

// Up to `limit` bytes of the file from its start, in pieces, so that a change of selection is
// noticed between two of them. Stops at a change of selection or a failed read; nothing when
// the memory cannot be had.
std::optional<FileBytes> ReadFileStart(const PreviewRequest& request, FoundFileReader& reader, std::uint64_t limit) {
    const std::uint64_t size = std::min(reader.Size(), limit);
    FileBytes file;
    try {
        file.bytes.resize(static_cast<std::size_t>(size));
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
    std::uint64_t done = 0;
    while (done < size && request.StillSelected()) {
        const std::uint64_t piece = std::min(kPreviewReadPiece, size - done);
        if (!reader.Read(done, std::span(file.bytes).subspan(static_cast<std::size_t>(done), static_cast<std::size_t>(piece)))) break;
        done += piece;
    }
    file.whole = done == size;
    file.bytes.resize(static_cast<std::size_t>(done));
    return file;
}

PreviewContent TextOf(std::u16string text, PreviewKind kind = PreviewKind::Text) {
    PreviewContent content;
    content.kind = text.empty() ? PreviewKind::Nothing : kind;
    content.text = std::move(text);
    return content;
}

PreviewContent ArchivePreview(const std::u16string& name, FoundFileReader& reader, AnsiCodePage& ansi) {
    const bool rar = UpperExtension(name) == u"RAR";
    const std::optional<std::u16string> listing =
        rar ? ListRarArchive(reader.AsBytesReader(), reader.Size(), ansi, name)
            : ListZipArchive(reader.AsBytesReader(), reader.Size(), ansi);
    return TextOf(listing ? *listing : Text16(StringId::PreviewArchiveDamaged), PreviewKind::Listing);
}

// The text family once the file's bytes are in: Word and PowerPoint documents give their
// extracted text only when the whole file (up to the limit) was read, as a document cut short
// is no document; everything else is shown as the text it holds.
PreviewContent TextPreview(TextDocument document, const FileBytes& file, AnsiCodePage& ansi) {
    const std::span<const std::uint8_t> bytes = file.bytes;
    switch (document) {
    case TextDocument::Doc:
    case TextDocument::Ppt: {
        if (!file.whole) break;
        CompoundDocument compound;
        if (!compound.Load(bytes)) return {};
        return TextOf(document == TextDocument::Doc ? WordBinaryText(compound, ansi)
                                                    : PowerPointBinaryText(compound, ansi));
    }
    case TextDocument::Docx:
        if (file.whole) return TextOf(DocxText(bytes));
        break;
    case TextDocument::Pptx:
        if (file.whole) return TextOf(PptxText(bytes));
        break;
    case TextDocument::RichText: {
        PreviewContent content = TextOf(RtfPlainText(bytes, ansi), PreviewKind::RichText);
        content.kind = PreviewKind::RichText;
        content.bytes = file.bytes;
        return content;
    }
    case TextDocument::Plain:
    case TextDocument::Archive:
        break;
    }
    return TextOf(DecodePlainText(bytes, ansi));
}

PreviewContent SpreadsheetPreview(const std::u16string& name, const FileBytes& file, AnsiCodePage& ansi) {
    PreviewContent content;
    if (UpperExtension(name) == u"XLSX") {
        content.workbook = XlsxWorkbook(file.bytes);
    } else if (CompoundDocument compound; compound.Load(file.bytes)) {
        content.workbook = XlsWorkbook(compound, ansi);
    }
    content.kind = content.workbook.sheets.empty() ? PreviewKind::Nothing : PreviewKind::Grid;
    return content;
}

PreviewContent PdfPreview(const FileBytes& file, AnsiCodePage& ansi) {
    PdfText pdf = ReadPdfText(file.bytes, ansi);
    if (pdf.status != PdfTextStatus::Text) return TextOf(PdfStatusMessage(pdf.status));
    PreviewContent content;
    content.kind = PreviewKind::PdfPages;
    content.pages = std::move(pdf.pages);
    return content;
}

}  // namespace

PreviewContent BuildPreview(const PreviewRequest& request, const PreviewOptions& options) {
    std::optional<PreviewSelection::RunningPreview> running;
    if (request.selection) running.emplace(*request.selection);

    const std::u16string name = request.node.name ? request.node.name : u"";
    FoundFileReader reader(request.scanner, request.node);
    PreviewContent content;
    if (!reader.Located()) {
        content.unlocated = true;
        return content;
    }
    AnsiCodePage ansi(options.ansiCodePage);
    const PreviewFamily family = options.hex ? PreviewFamily::Hex : FamilyOfName(name);
    const TextDocument document = TextDocumentOfName(name);
    if (family == PreviewFamily::Text && document == TextDocument::Archive) {
        content = ArchivePreview(name, reader, ansi);
        content.fileSize = reader.Size();
        return content;
    }

    const std::uint64_t limit = family == PreviewFamily::Hex ? std::min(options.hexLimit, options.sizeLimit)
                                                             : options.sizeLimit;
    auto file = ReadFileStart(request, reader, limit);
    if (!file || !request.StillSelected()) {
        content.stopped = true;
        return content;
    }
    switch (family) {
    case PreviewFamily::Text: content = TextPreview(document, *file, ansi); break;
    case PreviewFamily::Spreadsheet: content = SpreadsheetPreview(name, *file, ansi); break;
    case PreviewFamily::Pdf: content = PdfPreview(*file, ansi); break;
    case PreviewFamily::Image:
        content.kind = PreviewKind::Image;
        content.image = ReadImageFacts(file->bytes);
        content.bytes = std::move(file->bytes);
        break;
    case PreviewFamily::Hex: content = TextOf(HexView(file->bytes), PreviewKind::Hex); break;
    }
    content.fileSize = reader.Size();
    content.cutAtLimit = reader.Size() > limit;
    content.stopped = !file->whole || !request.StillSelected();
    return content;
}

}  // namespace tundrel
