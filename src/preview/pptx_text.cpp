#include "preview/pptx_text.h"

#include <optional>
#include <string>
#include <vector>

#include "preview/ooxml_xml_scan.h"
#include "preview/text_wrap.h"
#include "preview/zip_memory_archive.h"
#include "support/strings.h"
#include "support/text.h"

namespace tundrel {
namespace {

std::string SlideName(unsigned slide) { return "ppt/slides/slide" + std::to_string(slide) + ".xml"; }

// The count "docProps/app.xml" gives; 0 without that member. LibreOffice writes the member
// without a "<Slides>" count: then the slides are counted as they are numbered, from 1.
unsigned SlideCount(ZipMemoryArchive& archive) {
    const ZipMember* properties = archive.Find("docProps/app.xml");
    if (properties == nullptr || properties->size == 0) return 0;
    const std::optional<std::vector<std::uint8_t>> bytes = archive.Read(*properties);
    if (!bytes) return 0;
    const std::string_view xml(reinterpret_cast<const char*>(bytes->data()), bytes->size());
    if (xml.find("<Slides>") != std::string_view::npos) {
        return static_cast<unsigned>(LeadingNumber(Between(xml, "<Slides>", "</Slides>"), kMaxPreviewSlides).value_or(0));
    }
    unsigned count = 0;
    while (count < kMaxPreviewSlides && archive.Find(SlideName(count + 1)) != nullptr) ++count;
    return count;
}

// The runs' text of each "<p:txBody>" (taken only from UTF-8), a line for each body.
void AppendSlideText(std::string_view slide, bool utf8, std::u16string& text) {
    for (std::optional<XmlElement> body = FindElement(slide, "p:txBody"); body;
         body = FindElement(slide, "p:txBody", body->end)) {
        if (body->selfClosing) continue;
        const std::string_view runs = body->content;
        for (std::optional<XmlElement> run = FindElement(runs, "a:r"); run; run = FindElement(runs, "a:r", run->end)) {
            const std::optional<std::string_view> runText = ElementText(run->content, "a:t");
            if (runText && utf8) text += ToUtf16(*runText);
        }
        text += u"\r\n";
    }
}

}  // namespace

std::u16string PptxText(std::span<const std::uint8_t> file) {
    if (file.size() <= 4) return {};
    ZipMemoryArchive archive(file);
    const unsigned slides = SlideCount(archive);
    std::u16string text;
    for (unsigned slide = 1; slide <= slides; ++slide) {
        const ZipMember* member = archive.Find(SlideName(slide));
        if (member == nullptr || member->size == 0) continue;
        const std::optional<std::vector<std::uint8_t>> bytes = archive.Read(*member);
        if (!bytes) continue;
        const std::optional<XmlMember> xml = ScanDeclaration(*bytes);
        if (!xml) continue;
        text += ToUtf16(Formatted(StringId::SlideSeparator, static_cast<int>(slide)));
        AppendSlideText(xml->body, xml->utf8, text);
    }
    return WrapText(text);
}

}  // namespace tundrel
