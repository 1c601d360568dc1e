#pragma once
// The plain substring scanning that reads the XML members of Office Open XML packages: the
// declaration and its encoding, elements by name, attributes by name. There is no XML parser:
// text is taken verbatim (entities stay as written), and every search stays inside the member.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace tundrel {

// A member's XML after its declaration, and whether the declaration names UTF-8 (only then is
// its text taken).
struct XmlMember {
    std::string_view body;
    bool utf8 = false;
};

// Nothing when the member has no "?>" ending a declaration. The encoding is the value between the
// two double quotes after an "encoding" that comes before the declaration's end, lower-cased.
std::optional<XmlMember> ScanDeclaration(std::span<const std::uint8_t> member);

struct XmlElement {
    std::string_view tag;      // the whole start tag, "<name ...>" or "<name .../>"
    std::string_view content;  // between the start tag and "</name>"; empty when self-closing
    bool selfClosing = false;
    std::size_t end = 0;  // offset in the searched text just past the element
};

// The first element `name` in `xml` at or after `from`: "<name" followed by white space, ">" or
// "/", so that "<w:t" does not take "<w:tab/>" or "<w:tbl>". Nothing when none is found or when it
// has no end ("</name>") after its start tag.
std::optional<XmlElement> FindElement(std::string_view xml, std::string_view name, std::size_t from = 0);

// The content of the first element `name`; nothing when there is none.
std::optional<std::string_view> ElementText(std::string_view xml, std::string_view name);

// What lies between the first `open` and the next `close` after it; empty when either is missing.
std::string_view Between(std::string_view xml, std::string_view open, std::string_view close);

// The value of attribute `name` in a start tag, between its double quotes.
std::optional<std::string_view> AttributeValue(std::string_view tag, std::string_view name);

// A decimal number at the start of `text` (after white space), saturating at `cap`; nothing when
// no digit comes first.
std::optional<std::uint64_t> LeadingNumber(std::string_view text, std::uint64_t cap);

}  // namespace tundrel
