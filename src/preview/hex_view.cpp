#include "preview/hex_view.h"

namespace tundrel {

namespace {

constexpr std::size_t kBytesPerLine = 16;
constexpr char16_t kHexDigits[] = u"0123456789ABCDEF";

void AppendHex(std::u16string& out, std::uint64_t value, int digits) {
    for (int shift = (digits - 1) * 4; shift >= 0; shift -= 4) out += kHexDigits[(value >> shift) & 0xF];
}

}  // namespace

std::u16string HexView(std::span<const std::uint8_t> bytes) {
    std::u16string out;
    const std::size_t lines = (bytes.size() + kBytesPerLine - 1) / kBytesPerLine;
    out.reserve(lines * 78);
    for (std::size_t start = 0; start < bytes.size(); start += kBytesPerLine) {
        const auto line = bytes.subspan(start, std::min(kBytesPerLine, bytes.size() - start));
        AppendHex(out, start, 8);
        out += u"  ";
        for (std::size_t i = 0; i < kBytesPerLine; ++i) {
            if (i == 8) out += u' ';
            if (i < line.size()) {
                AppendHex(out, line[i], 2);
                out += u' ';
            } else {
                out += u"   ";
            }
        }
        out += u' ';
        for (const std::uint8_t byte : line) out += (byte >= 0x20 && byte < 0x7F) ? char16_t{byte} : u'.';
        out += u"\r\n";
    }
    return out;
}

}  // namespace tundrel
