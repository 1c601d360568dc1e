#pragma once
// The single- or double-byte code page in which FAT short names are stored.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

struct UConverter;

namespace tundrel {

class AnsiCodePage {
public:
    // An ICU converter name ("CP932", "windows-1252", ...); an unknown name falls back to
    // windows-1252, which maps every byte.
    explicit AnsiCodePage(std::string_view name);
    ~AnsiCodePage();
    AnsiCodePage(const AnsiCodePage&) = delete;
    AnsiCodePage& operator=(const AnsiCodePage&) = delete;

    // Bytes that do not map become U+FFFD or the code page's own substitute.
    std::u16string Decode(std::span<const std::uint8_t> bytes);

    // Whether ICU has a converter of that name, for the settings to refuse a misspelt one
    // rather than fall back.
    static bool Known(std::string_view name);

private:
    UConverter* converter_ = nullptr;
};

}  // namespace tundrel
