#include "preview/preview_family.h"

#include <algorithm>
#include <array>

#include "scan/name_case.h"

namespace tundrel {

namespace {

constexpr std::array<std::u16string_view, 74> kTextExtensions = {
    u"TXT",  u"INI",   u"INF",   u"LOG",  u"HTM",   u"CPP",    u"H",    u"ASP",   u"PHP",   u"RTF",   u"JSP",
    u"HTML", u"HPP",   u"C",     u"FRM",  u"SLN",   u"MHT",    u"XML",  u"SHTM",  u"SHTML", u"HTA",   u"HTC",
    u"STM",  u"SSI",   u"DTD",   u"XSD",  u"XSL",   u"XLST",   u"LBI",  u"DWT",   u"CSS",   u"ASA",   u"ASPX",
    u"ASCX", u"CFM",   u"CFML",  u"CFC",  u"AS",    u"ASC",    u"ASR",  u"PHP3",  u"PHP4",  u"LASSO", u"JST",
    u"JSF",  u"TLD",   u"JAVA",  u"MXML", u"WML",   u"EDML",   u"VBS",  u"VB",    u"VTM",   u"VTML",  u"REG",
    u"RC",   u"DSW",   u"DSP",   u"PLG",  u"VCPROJ", u"RC2",   u"EML",  u"JS",    u"DOC",   u"DOCX",  u"PPT",
    u"PPTX", u"ZIP",   u"JAR",   u"RAR",  u"USER",  u"CSPROJ", u"CS",   u"WEB",
};
constexpr std::array<std::u16string_view, 7> kImageExtensions = {u"BMP", u"JPG", u"PNG", u"GIF",
                                                                  u"TIF", u"TIFF", u"JPEG"};

template <std::size_t N>
bool Contains(const std::array<std::u16string_view, N>& names, std::u16string_view extension) {
    return std::find(names.begin(), names.end(), extension) != names.end();
}

}  // namespace

PreviewFamily FamilyOfName(std::u16string_view name) {
    const std::u16string extension = UpperExtension(name);
    if (extension.empty()) return PreviewFamily::Hex;
    if (Contains(kTextExtensions, extension)) return PreviewFamily::Text;
    if (Contains(kImageExtensions, extension)) return PreviewFamily::Image;
    if (extension == u"XLS" || extension == u"XLSX") return PreviewFamily::Spreadsheet;
    if (extension == u"PDF") return PreviewFamily::Pdf;
    return PreviewFamily::Hex;
}

TextDocument TextDocumentOfName(std::u16string_view name) {
    const std::u16string extension = UpperExtension(name);
    if (extension == u"DOC") return TextDocument::Doc;
    if (extension == u"DOCX") return TextDocument::Docx;
    if (extension == u"PPT") return TextDocument::Ppt;
    if (extension == u"PPTX") return TextDocument::Pptx;
    if (extension == u"ZIP" || extension == u"JAR" || extension == u"RAR") return TextDocument::Archive;
    if (extension == u"RTF") return TextDocument::RichText;
    return TextDocument::Plain;
}

}  // namespace tundrel
