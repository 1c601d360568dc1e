#include "fat/entry_name.h"

#include <algorithm>
#include <array>

#include "platform/ansi_code_page.h"
#include "fat/directory_entry.h"

namespace tundrel {
namespace {

bool IsLongNameEntry(EntryBytes entry) {
    return entry.size() > entry_field::kAttributes && entry[entry_field::kAttributes] == kAttrLongName;
}

std::u16string LongNameBefore(std::span<const std::uint8_t> directory, std::size_t index) {
    std::u16string name;
    for (std::size_t at = index; at-- > 0;) {
        const EntryBytes entry = EntryAt(directory, at);
        if (!IsLongNameEntry(entry)) break;
        char16_t chars[kLongNameCharsPerEntry];
        LongNameChars(entry, chars);
        for (const char16_t c : chars) {
            if (c == 0) break;
            if (name.size() < kMaxLongNameChars) name += c;
        }
    }
    return name;
}

void TrimTrailingSpaces(std::u16string& text) {
    while (!text.empty() && text.back() == u' ') text.pop_back();
}

// The case flags lower ASCII letters only; applied after decoding, they cannot touch the
// second byte of a double-byte character.
void LowerAscii(std::u16string& text) {
    for (char16_t& c : text) {
        if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
    }
}

std::u16string ShortName(EntryBytes entry, std::uint8_t firstByte, AnsiCodePage& codePage) {
    std::array<std::uint8_t, kShortNameBytes> bytes{};
    std::copy_n(entry.begin(), kShortNameBytes, bytes.begin());
    bytes[0] = firstByte;
    const std::uint8_t caseFlags = entry[entry_field::kCaseFlags];

    std::u16string name = codePage.Decode(std::span(bytes).first(8));
    if ((caseFlags & kCaseLowerName) != 0) LowerAscii(name);
    TrimTrailingSpaces(name);
    const auto extension = std::span(bytes).subspan(entry_field::kExtension, 3);
    if (extension[0] != 0 && !IsAllSpaces(extension)) {
        std::u16string text = codePage.Decode(extension);
        if ((caseFlags & kCaseLowerExtension) != 0) LowerAscii(text);
        name += u'.';
        name += text;
        TrimTrailingSpaces(name);
    }
    // A zero byte inside the name ends it, as it would end the stored string.
    if (const auto zero = name.find(u'\0'); zero != std::u16string::npos) name.resize(zero);
    return name;
}

}  // namespace

std::u16string BuildEntryName(std::span<const std::uint8_t> directory, std::size_t index, std::uint8_t firstByte,
                              AnsiCodePage& codePage) {
    const EntryBytes entry = EntryAt(directory, index);
    if (entry.empty()) return {};
    std::u16string name = LongNameBefore(directory, index);
    if (name.empty()) name = ShortName(entry, firstByte, codePage);
    return name;
}

}  // namespace tundrel
