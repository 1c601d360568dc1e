#pragma once
// The MD5 of recovered data, computed in the process (by nettle) to compare with the
// manifests' sums: no process per file.

#include <nettle/md5.h>

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace tundrel::test {

// The lowercase hex digest.
inline std::string Md5Hex(std::span<const std::uint8_t> data) {
    md5_ctx context;
    md5_init(&context);
    md5_update(&context, data.size(), data.data());
    std::array<std::uint8_t, MD5_DIGEST_SIZE> digest{};
    md5_digest(&context, digest.size(), digest.data());
    static constexpr char kHex[] = "0123456789abcdef";
    std::string text;
    for (const std::uint8_t byte : digest) {
        text += kHex[byte >> 4];
        text += kHex[byte & 0xF];
    }
    return text;
}

inline std::string Md5Hex(std::string_view text) {
    return Md5Hex(std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

}  // namespace tundrel::test
