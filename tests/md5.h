#pragma once
// The MD5 of recovered data, computed in the process, to compare with the manifests' sums.

#include <array>
#include <cmath>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tundrel::test {

inline std::string Md5Hex(std::span<const std::uint8_t> data) {
    static const std::array<std::uint32_t, 64> k = [] {
        std::array<std::uint32_t, 64> table{};
        for (std::size_t i = 0; i < 64; ++i) table[i] = static_cast<std::uint32_t>(std::fabs(std::sin(i + 1.0)) * 4294967296.0);
        return table;
    }();
    static constexpr int kShift[4][4] = {{7, 12, 17, 22}, {5, 9, 14, 20}, {4, 11, 16, 23}, {6, 10, 15, 21}};
    std::vector<std::uint8_t> message(data.begin(), data.end());
    message.push_back(0x80);
    while (message.size() % 64 != 56) message.push_back(0);
    for (int i = 0; i < 8; ++i) message.push_back(static_cast<std::uint8_t>((std::uint64_t{data.size()} * 8) >> (8 * i)));
    std::uint32_t h[4] = {0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476};
    for (std::size_t block = 0; block < message.size(); block += 64) {
        std::uint32_t w[16];
        for (int i = 0; i < 16; ++i) {
            w[i] = 0;
            for (int b = 0; b < 4; ++b) w[i] |= std::uint32_t{message[block + 4 * i + b]} << (8 * b);
        }
        std::uint32_t a = h[0], b = h[1], c = h[2], d = h[3];
        for (int i = 0; i < 64; ++i) {
            const int round = i / 16;
            const std::uint32_t f = round == 0 ? (b & c) | (~b & d)
                                    : round == 1 ? (d & b) | (~d & c)
                                    : round == 2 ? b ^ c ^ d
                                                 : c ^ (b | ~d);
            const int g = round == 0 ? i : round == 1 ? (5 * i + 1) % 16 : round == 2 ? (3 * i + 5) % 16 : (7 * i) % 16;
            const std::uint32_t sum = a + f + k[i] + w[g];
            const int s = kShift[round][i % 4];
            a = d;
            d = c;
            c = b;
            b += (sum << s) | (sum >> (32 - s));
        }
        h[0] += a, h[1] += b, h[2] += c, h[3] += d;
    }
    std::string hex;
    for (const std::uint32_t word : h) {
        for (int i = 0; i < 4; ++i) {
            const unsigned byte = (word >> (8 * i)) & 0xFF;
            hex += "0123456789abcdef"[byte >> 4];
            hex += "0123456789abcdef"[byte & 15];
        }
    }
    return hex;
}

inline std::string Md5Hex(std::string_view text) {
    return Md5Hex(std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

}  // namespace tundrel::test
