#include "scan/user_document.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "scan/name_case.h"

namespace tundrel {
namespace {

constexpr std::array<std::u16string_view, 55> kDocumentExtensions{
    u"DOC", u"XLS",  u"PPT", u"JPG", u"BMP", u"DWG", u"PDF",  u"CDR",  u"MPG", u"DAT", u"AVI",
    u"WPS", u"GIF",  u"DBF", u"MDF", u"MDB", u"WMA", u"EML",  u"ASF",  u"DBX", u"ZIP", u"RAR",
    u"7Z",  u"CAB",  u"JAR", u"SHS", u"WAV", u"XML", u"HTM",  u"PHP",  u"ASP", u"CGI", u"3GP",
    u"WPL", u"LDF",  u"CHM", u"PSD", u"CPP", u"ICO", u"PNG",  u"SWF",  u"MID", u"WMF", u"WMV",
    u"RM",  u"RMVB", u"WMDB", u"MP4", u"CAT", u"GHO", u"GHS", u"RTF", u"CHK", u"DOCX", u"XLSX",
};

}  // namespace

bool HoldsUserDocument(const ScanNode& node) {
    if (node.IsDirectory()) {
        return std::any_of(node.children.begin(), node.children.end(),
                           [](const ScanNode& child) { return HoldsUserDocument(child); });
    }
    if (node.name == nullptr) return false;
    const std::u16string extension = UpperExtension(node.name);
    return std::find(kDocumentExtensions.begin(), kDocumentExtensions.end(), extension) != kDocumentExtensions.end();
}

}  // namespace tundrel
