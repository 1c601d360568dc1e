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
void AppendSlideText(std::string_view body, bool utf8, std::u16string& text) {
    constexpr std::string_view kBodyOpen = "<p:txBody>";
    constexpr std::string_view kBodyClose = "</p:txBody>";
    constexpr std::string_view kRunOpen = "<a:r>";
    constexpr std::string_view kRunClose = "</a:r>";
    for (std::size_t at = body.find(kBodyOpen); at != std::string_view::npos; at = body.find(kBodyOpen, at)) {
        const std::size_t bodyEnd = body.find(kBodyClose, at + kBodyOpen.size());
        if (bodyEnd == std::string_view::npos) return;
        const std::string_view textBody = body.substr(at + kBodyOpen.size(), bodyEnd - at - kBodyOpen.size());
        for (std::size_t run = textBody.find(kRunOpen); run != std::string_view::npos;
             run = textBody.find(kRunOpen, run)) {
            const std::size_t runEnd = textBody.find(kRunClose, run + kRunOpen.size());
            if (runEnd == std::string_view::npos) break;
            const std::string_view runXml = textBody.substr(run + kRunOpen.size(), runEnd - run - kRunOpen.size());
            const std::optional<std::string_view> runText = ElementText(runXml, "a:t");
            if (runText && utf8) text += ToUtf16(*runText);
            run = runEnd + kRunClose.size();
        }
        text += u"\r\n";
        at = bodyEnd + kBodyClose.size();
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
