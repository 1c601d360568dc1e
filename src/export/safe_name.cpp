#include "export/safe_name.h"

#include "support/text.h"

namespace tundrel {
namespace {

constexpr std::size_t kMaxKeptExtension = 16;

bool IsControl(char16_t c) { return c < 0x20 || c == 0x7F; }

// The length of `text` cut to at most `limit` bytes at a character boundary.
std::size_t CharacterBoundary(std::string_view text, std::size_t limit) {
    if (limit >= text.size()) return text.size();
    std::size_t cut = limit;
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
    return cut;
}

}  // namespace

std::string ShortenName(std::string_view name, std::size_t limit) {
    if (name.size() <= limit) return std::string(name);
    const std::size_t dot = name.find_last_of('.');
    const bool keepExtension = dot != std::string_view::npos && dot > 0 && name.size() - dot <= kMaxKeptExtension &&
                               name.size() - dot < limit;
    const std::string_view extension = keepExtension ? name.substr(dot) : std::string_view{};
    const std::string_view stem = keepExtension ? name.substr(0, dot) : name;
    return std::string(stem.substr(0, CharacterBoundary(stem, limit - extension.size()))) + std::string(extension);
}

SafeName SafePathComponent(std::u16string_view name) {
    std::u16string cleaned(name);
    for (char16_t& c : cleaned) {
        // ":" parts a named stream from its file ("file:stream"), and no Windows file system takes it.
        if (c == u'/' || c == u':' || IsControl(c)) c = u'_';
    }
    if (cleaned.empty() || cleaned == u".") cleaned = u"_";
    if (cleaned == u"..") cleaned = u"__";
    SafeName safe;
    safe.name = ToUtf8(cleaned);
    // A lone surrogate came out as U+FFFD: the name on disk was not valid UTF-16.
    const bool validText = ToUtf16(safe.name) == cleaned;
    safe.name = ShortenName(safe.name, kMaxNameBytes);
    safe.changed = !validText || cleaned != name || ToUtf16(safe.name) != cleaned;
    return safe;
}

}  // namespace tundrel
