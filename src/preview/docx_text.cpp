#include "preview/docx_text.h"

#include <optional>
#include <vector>

#include "preview/ooxml_xml_scan.h"
#include "preview/text_wrap.h"
#include "preview/zip_memory_archive.h"
#include "support/text.h"

namespace tundrel {

std::u16string DocxText(std::span<const std::uint8_t> file) {
    if (file.size() < 5) return {};
    ZipMemoryArchive archive(file);
    // The first member of that name that holds anything.
    const ZipMember* document = nullptr;
    for (const ZipMember& member : archive.Members()) {
        if (member.name == "word/document.xml" && member.size >= 1) {
            document = &member;
            break;
        }
    }
    if (document == nullptr) return {};
    const std::optional<std::vector<std::uint8_t>> bytes = archive.Read(*document);
    if (!bytes) return {};
    const std::optional<XmlMember> xml = ScanDeclaration(*bytes);
    if (!xml || !xml->utf8) return {};

    std::u16string text;
    // "<w:t" followed by a space or ">": the tab and table elements start with the same letters.
    for (std::optional<XmlElement> run = FindElement(xml->body, "w:t"); run;
         run = FindElement(xml->body, "w:t", run->end)) {
        const char next = run->tag[4];
        if (run->selfClosing || (next != ' ' && next != '>')) continue;
        text += ToUtf16(run->content);
        text += u"\r\n";
    }
    return WrapText(text);
}

}  // namespace tundrel
