#include "preview/plain_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/ansi_code_page.h"

namespace tundrel {
namespace {

template <std::size_t N>
std::vector<std::uint8_t> Bytes(const char (&text)[N]) { return {text, text + N - 1}; }

TEST(PlainText, TheByteOrderMarkOrTheBytesTellTheEncoding) {
    AnsiCodePage cp932("CP932");
    const struct {
        const char* what;
        std::vector<std::uint8_t> bytes;
        std::u16string text;
    } cases[] = {
        {"UTF-16LE with its mark", Bytes("\xFF\xFE\x22\x6F\x41\x00"), u"漢A"},
        {"UTF-16BE with its mark", Bytes("\xFE\xFF\x6F\x22\x00\x41"), u"漢A"},
        {"UTF-8 with its mark", Bytes("\xEF\xBB\xBF\xE6\xBC\xA2"), u"漢"},
        {"UTF-8 without a mark", Bytes("a\xE6\xBC\xA2"), u"a漢"},
        {"UTF-8 cut inside its last character", Bytes("a\xE6\xBC\xA2\xE6\xBC"), u"a漢"},
        {"Shift JIS, which is no UTF-8", Bytes("\x8A\xBF\x8E\x9A"), u"漢字"},
        {"NULs shown as spaces", Bytes("a\0b"), u"a b"},
    };
    for (const auto& c : cases) EXPECT_EQ(DecodePlainText(c.bytes, cp932), c.text) << c.what;
}

}  // namespace
}  // namespace tundrel
