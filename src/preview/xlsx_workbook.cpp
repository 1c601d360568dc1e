#include "preview/xlsx_workbook.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "preview/ooxml_xml_scan.h"
#include "preview/zip_memory_archive.h"
#include "support/strings.h"
#include "support/text.h"

namespace tundrel {
namespace {

constexpr std::uint32_t kMaxColumns = 16'384;
// As many shared strings as the grid can hold cells; a hostile table of empty items stops here.
constexpr std::size_t kMaxSharedStrings = Workbook::kMaxCells;

// The XML after a member's declaration when that names UTF-8; empty otherwise. `bytes` holds the
// member while the view is used.
std::string_view Utf8Body(ZipMemoryArchive& archive, const ZipMember* member, std::vector<std::uint8_t>& bytes) {
    if (member == nullptr) return {};
    std::optional<std::vector<std::uint8_t>> read = archive.Read(*member);
    if (!read) return {};
    bytes = std::move(*read);
    const std::optional<XmlMember> xml = ScanDeclaration(bytes);
    return xml && xml->utf8 ? xml->body : std::string_view{};
}

// A shared string item or an inline string: the text of its "<t" elements, in order.
std::u16string ItemText(std::string_view item) {
    std::u16string text;
    for (std::optional<XmlElement> t = FindElement(item, "t"); t; t = FindElement(item, "t", t->end)) {
        text += ToUtf16(t->content);
    }
    return text;
}

std::uint32_t NumberAttribute(std::string_view tag, std::string_view name) {
    const std::optional<std::string_view> value = AttributeValue(tag, name);
    return value ? static_cast<std::uint32_t>(LeadingNumber(*value, UINT32_MAX).value_or(0)) : 0;
}

std::vector<std::u16string> SharedStrings(ZipMemoryArchive& archive) {
    std::vector<std::uint8_t> bytes;
    const std::string_view table = Between(Utf8Body(archive, archive.Find("xl/sharedStrings.xml"), bytes), "<sst", "</sst>");
    std::vector<std::u16string> strings;
    for (std::optional<XmlElement> si = FindElement(table, "si"); si && strings.size() < kMaxSharedStrings;
         si = FindElement(table, "si", si->end)) {
        strings.push_back(ItemText(si->content));
    }
    return strings;
}

std::vector<std::u16string> SheetNames(ZipMemoryArchive& archive) {
    std::vector<std::uint8_t> bytes;
    const std::string_view sheets = Between(Utf8Body(archive, archive.Find("xl/workbook.xml"), bytes), "<sheets>", "</sheets>");
    std::vector<std::u16string> names;
    for (std::optional<XmlElement> sheet = FindElement(sheets, "sheet"); sheet && names.size() < Workbook::kMaxSheets;
         sheet = FindElement(sheets, "sheet", sheet->end)) {
        names.push_back(ToUtf16(AttributeValue(sheet->tag, "name").value_or("")));
    }
    return names;
}

// The "val" attribute of the first element `name` inside `xml`.
std::optional<std::string_view> ChildValue(std::string_view xml, std::string_view name) {
    const std::optional<XmlElement> element = FindElement(xml, name);
    return element ? AttributeValue(element->tag, "val") : std::nullopt;
}

void ReadStyles(ZipMemoryArchive& archive, Workbook& book) {
    std::vector<std::uint8_t> bytes;
    const std::string_view styles = Utf8Body(archive, archive.Find("xl/styles.xml"), bytes);
    const std::string_view fonts = Between(styles, "<fonts", "</fonts>");
    for (std::optional<XmlElement> font = FindElement(fonts, "font"); font && book.fonts.size() < Workbook::kMaxRanges;
         font = FindElement(fonts, "font", font->end)) {
        SheetFont out;
        out.name = ToUtf16(ChildValue(font->content, "name").value_or(""));
        out.charset = static_cast<int>(LeadingNumber(ChildValue(font->content, "charset").value_or(""), INT32_MAX).value_or(0));
        out.family = static_cast<int>(LeadingNumber(ChildValue(font->content, "family").value_or(""), INT32_MAX).value_or(0));
        book.fonts.push_back(std::move(out));
    }
    const std::string_view formats = Between(styles, "<cellXfs", "</cellXfs>");
    for (std::optional<XmlElement> xf = FindElement(formats, "xf"); xf && book.styles.size() < Workbook::kMaxRanges;
         xf = FindElement(formats, "xf", xf->end)) {
        CellStyle style;
        style.fontId = NumberAttribute(xf->tag, "fontId");
        if (const std::optional<XmlElement> alignment = FindElement(xf->content, "alignment")) {
            const std::string_view horizontal = AttributeValue(alignment->tag, "horizontal").value_or("");
            const std::string_view vertical = AttributeValue(alignment->tag, "vertical").value_or("");
            if (horizontal == "center") style.horizontal = HorizontalAlign::Center;
            if (horizontal == "right") style.horizontal = HorizontalAlign::Right;
            if (vertical == "center") style.vertical = VerticalAlign::Center;
            if (vertical == "bottom") style.vertical = VerticalAlign::Bottom;
        }
        book.styles.push_back(style);
    }
}

void ReadColumns(std::string_view sheet, Workbook& book) {
    const std::string_view cols = Between(sheet, "<cols>", "</cols>");
    for (std::optional<XmlElement> col = FindElement(cols, "col"); col; col = FindElement(cols, "col", col->end)) {
        const std::uint32_t first = NumberAttribute(col->tag, "min");
        const std::uint32_t last = NumberAttribute(col->tag, "max");
        const std::string_view widthText = AttributeValue(col->tag, "width").value_or("");
        double width = 0;
        const auto parsed = std::from_chars(widthText.data(), widthText.data() + widthText.size(), width);
        if (first < 1 || last < first || last > kMaxColumns || parsed.ec != std::errc{} || !std::isfinite(width) ||
            width < 0) {
            continue;
        }
        book.AddColumns(ColumnWidth{first - 1, last - 1, width});
    }
}

// What a cell shows; nothing for a cell without a value or with a shared string out of the table.
std::optional<std::u16string> CellText(const XmlElement& cell, const std::vector<std::u16string>& shared) {
    const std::string_view type = AttributeValue(cell.tag, "t").value_or("");
    if (type == "inlineStr") {
        const std::optional<std::string_view> inlineString = ElementText(cell.content, "is");
        if (!inlineString) return std::nullopt;
        return ItemText(*inlineString);
    }
    const std::optional<std::string_view> value = ElementText(cell.content, "v");
    if (!value) return std::nullopt;
    if (type == "s") {
        const std::optional<std::uint64_t> index = LeadingNumber(*value, UINT64_MAX);
        if (!index || *index >= shared.size()) return std::nullopt;
        return shared[*index];
    }
    if (type == "b") return Text16(LeadingNumber(*value, 1).value_or(0) != 0 ? StringId::CellTrue : StringId::CellFalse);
    return ToUtf16(*value);
}

void ReadCells(std::string_view sheet, const std::vector<std::u16string>& shared, Workbook& book) {
    const std::string_view data = Between(sheet, "<sheetData>", "</sheetData>");
    for (std::optional<XmlElement> row = FindElement(data, "row"); row; row = FindElement(data, "row", row->end)) {
        const std::string_view cells = row->content;
        for (std::optional<XmlElement> cell = FindElement(cells, "c"); cell; cell = FindElement(cells, "c", cell->end)) {
            const auto position = ParseCellReference(AttributeValue(cell->tag, "r").value_or(""));
            if (!position) continue;
            std::optional<std::u16string> text = CellText(*cell, shared);
            if (!text) continue;
            std::uint32_t style = NumberAttribute(cell->tag, "s");
            if (style >= book.styles.size()) style = 0;
            book.SetCell(position->first, position->second, std::move(*text), style);
        }
    }
}

void ReadMergedRanges(std::string_view sheet, Workbook& book) {
    const std::string_view merged = Between(sheet, "<mergeCells", "</mergeCells>");
    for (std::optional<XmlElement> merge = FindElement(merged, "mergeCell"); merge;
         merge = FindElement(merged, "mergeCell", merge->end)) {
        const std::string_view ref = AttributeValue(merge->tag, "ref").value_or("");
        const std::size_t colon = ref.find(':');
        const auto first = ParseCellReference(ref.substr(0, colon));
        const auto last = colon == std::string_view::npos ? first : ParseCellReference(ref.substr(colon + 1));
        if (!first || !last) continue;
        book.AddMerged(CellRange{std::min(first->first, last->first), std::min(first->second, last->second),
                                 std::max(first->first, last->first), std::max(first->second, last->second)});
    }
}

}  // namespace

Workbook XlsxWorkbook(std::span<const std::uint8_t> file) {
    Workbook book;
    ZipMemoryArchive archive(file);
    if (!archive.IsOpen()) return book;
    const std::vector<std::u16string> shared = SharedStrings(archive);
    const std::vector<std::u16string> names = SheetNames(archive);
    ReadStyles(archive, book);
    for (std::size_t number = 1;; ++number) {
        const ZipMember* member = archive.Find("xl/worksheets/sheet" + std::to_string(number) + ".xml");
        if (member == nullptr) break;
        const bool named = number <= names.size() && !names[number - 1].empty();
        if (!book.AddSheet(named ? names[number - 1] : Text16(StringId::DefaultSheetName))) break;
        std::vector<std::uint8_t> bytes;
        const std::string_view sheet = Utf8Body(archive, member, bytes);
        ReadColumns(sheet, book);
        ReadCells(sheet, shared, book);
        ReadMergedRanges(sheet, book);
    }
    return book;
}

}  // namespace tundrel
