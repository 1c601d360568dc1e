#include "preview/plain_text.h"

#include <unicode/ucnv.h>

#include <algorithm>

#include "platform/ansi_code_page.h"
#include "support/text.h"

namespace tundrel {

namespace {

std::u16string Utf16(std::span<const std::uint8_t> bytes, bool bigEndian) {
    std::u16string text;
    text.reserve(bytes.size() / 2);
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        const unsigned high = bigEndian ? bytes[i] : bytes[i + 1];
        const unsigned low = bigEndian ? bytes[i + 1] : bytes[i];
        text.push_back(static_cast<char16_t>(high << 8 | low));
    }
    return text;
}

// The length of `bytes` without a multi-byte sequence cut off at its end (a file shown only up
// to the preview limit may end inside one).
std::size_t WithoutCutSequence(std::span<const std::uint8_t> bytes) {
    std::size_t end = bytes.size();
    for (std::size_t back = 1; back <= 3 && back <= bytes.size(); ++back) {
        const std::uint8_t byte = bytes[bytes.size() - back];
        if ((byte & 0xC0) == 0x80) continue;  // a continuation byte: look further back
        const std::size_t need = byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : byte >= 0xC0 ? 2 : 1;
        if (need > back) end = bytes.size() - back;
        break;
    }
    return end;
}

bool IsUtf8(std::span<const std::uint8_t> bytes) {
    UErrorCode status = U_ZERO_ERROR;
    UConverter* converter = ucnv_open("UTF-8", &status);
    if (U_FAILURE(status)) return false;
    ucnv_setToUCallBack(converter, UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
    std::u16string sink(4096, u'\0');
    const char* source = reinterpret_cast<const char*>(bytes.data());
    const char* const end = source + bytes.size();
    while (U_SUCCESS(status) && source < end) {
        UChar* target = sink.data();
        ucnv_toUnicode(converter, &target, sink.data() + sink.size(), &source, end, nullptr, true, &status);
        if (status == U_BUFFER_OVERFLOW_ERROR) status = U_ZERO_ERROR;
    }
    ucnv_close(converter);
    return U_SUCCESS(status);
}

}  // namespace

std::u16string DecodePlainText(std::span<const std::uint8_t> bytes, AnsiCodePage& ansi) {
    std::u16string text;
    if (bytes.size() >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) {
        text = Utf16(bytes.subspan(2), false);
    } else if (bytes.size() >= 2 && bytes[0] == 0xFE && bytes[1] == 0xFF) {
        text = Utf16(bytes.subspan(2), true);
    } else {
        const bool bom = bytes.size() >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF;
        const auto body = bytes.subspan(bom ? 3 : 0);
        const auto whole = body.first(WithoutCutSequence(body));
        if (bom || IsUtf8(whole)) {
            text = ToUtf16(std::string_view(reinterpret_cast<const char*>(whole.data()), whole.size()));
        } else {
            text = ansi.Decode(bytes);
        }
    }
    std::replace(text.begin(), text.end(), u'\0', u' ');
    return text;
}

}  // namespace tundrel
