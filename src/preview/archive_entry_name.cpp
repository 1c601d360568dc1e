#include "preview/archive_entry_name.h"

#include <string>

#include "support/text.h"

namespace tundrel {

bool IsWellFormedUtf8(std::span<const std::uint8_t> bytes) {
    for (std::size_t i = 0; i < bytes.size();) {
        const std::uint8_t lead = bytes[i];
        std::size_t length = 0;
        std::uint32_t value = 0, least = 0;
        if (lead < 0x80) {
            ++i;
            continue;
        } else if ((lead & 0xE0) == 0xC0) {
            length = 2, value = lead & 0x1F, least = 0x80;
        } else if ((lead & 0xF0) == 0xE0) {
            length = 3, value = lead & 0x0F, least = 0x800;
        } else if ((lead & 0xF8) == 0xF0) {
            length = 4, value = lead & 0x07, least = 0x10000;
        } else {
            return false;
        }
        if (bytes.size() - i < length) return false;
        for (std::size_t k = 1; k < length; ++k) {
            if ((bytes[i + k] & 0xC0) != 0x80) return false;
            value = (value << 6) | (bytes[i + k] & 0x3F);
        }
        if (value < least || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return false;
        i += length;
    }
    return true;
}

std::u16string ArchiveEntryName(std::span<const std::uint8_t> bytes, bool utf8, AnsiCodePage& codePage) {
    if (utf8 || IsWellFormedUtf8(bytes)) {
        return ToUtf16(std::string(bytes.begin(), bytes.end()));
    }
    return codePage.Decode(bytes);
}

}  // namespace tundrel
