#include "preview/ooxml_xml_scan.h"

#include <string>

namespace tundrel {
namespace {

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

}  // namespace

std::optional<XmlMember> ScanDeclaration(std::span<const std::uint8_t> member) {
    const std::string_view xml(reinterpret_cast<const char*>(member.data()), member.size());
    const std::size_t declarationEnd = xml.find("?>");
    if (declarationEnd == std::string_view::npos) return std::nullopt;
    XmlMember out{xml.substr(declarationEnd + 2), false};
    const std::size_t encoding = xml.find("encoding");
    if (encoding < declarationEnd) {
        const std::size_t open = xml.find('"', encoding);
        const std::size_t close = open == std::string_view::npos ? open : xml.find('"', open + 1);
        if (close != std::string_view::npos) {
            std::string name(xml.substr(open + 1, close - open - 1));
            for (char& c : name) {
                if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
            }
            out.utf8 = name.find("utf-8") != std::string::npos;
        }
    }
    return out;
}

std::optional<XmlElement> FindElement(std::string_view xml, std::string_view name, std::size_t from) {
    while (from < xml.size()) {
        const std::size_t start = xml.find('<', from);
        if (start == std::string_view::npos) return std::nullopt;
        from = start + 1;
        if (xml.compare(start + 1, name.size(), name) != 0 || start + 1 + name.size() >= xml.size()) continue;
        const char next = xml[start + 1 + name.size()];
        if (!IsSpace(next) && next != '>' && next != '/') continue;
        const std::size_t tagEnd = xml.find('>', start);
        if (tagEnd == std::string_view::npos) return std::nullopt;
        XmlElement element;
        element.tag = xml.substr(start, tagEnd + 1 - start);
        if (xml[tagEnd - 1] == '/') {
            element.selfClosing = true;
            element.end = tagEnd + 1;
            return element;
        }
        const std::string closing = "</" + std::string(name) + ">";
        const std::size_t closeAt = xml.find(closing, tagEnd + 1);
        if (closeAt == std::string_view::npos) return std::nullopt;
        element.content = xml.substr(tagEnd + 1, closeAt - tagEnd - 1);
        element.end = closeAt + closing.size();
        return element;
    }
    return std::nullopt;
}

std::optional<std::string_view> ElementText(std::string_view xml, std::string_view name) {
    const std::optional<XmlElement> element = FindElement(xml, name);
    if (!element) return std::nullopt;
    return element->content;
}

std::string_view Between(std::string_view xml, std::string_view open, std::string_view close) {
    const std::size_t start = xml.find(open);
    if (start == std::string_view::npos) return {};
    const std::size_t end = xml.find(close, start + open.size());
    if (end == std::string_view::npos) return {};
    return xml.substr(start + open.size(), end - start - open.size());
}

std::optional<std::string_view> AttributeValue(std::string_view tag, std::string_view name) {
    for (std::size_t at = tag.find(name); at != std::string_view::npos; at = tag.find(name, at + 1)) {
        const std::size_t quote = at + name.size() + 1;
        if (at == 0 || !IsSpace(tag[at - 1]) || tag.compare(at + name.size(), 2, "=\"") != 0) continue;
        const std::size_t close = tag.find('"', quote + 1);
        if (close == std::string_view::npos) return std::nullopt;
        return tag.substr(quote + 1, close - quote - 1);
    }
    return std::nullopt;
}

std::optional<std::uint64_t> LeadingNumber(std::string_view text, std::uint64_t cap) {
    std::size_t i = 0;
    while (i < text.size() && IsSpace(text[i])) ++i;
    if (i == text.size() || text[i] < '0' || text[i] > '9') return std::nullopt;
    std::uint64_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + static_cast<std::uint64_t>(text[i] - '0');
        if (value >= cap) return cap;
    }
    return value;
}

}  // namespace tundrel
