#pragma once
// The MD5 of recovered data, to compare with the manifests' sums, computed by coreutils'
// md5sum: apart from the program under test, as the manifests' own sums are.

#include <cstdint>
#include <cstdio>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "test_support.h"

namespace tundrel::test {

// The lowercase hex digest; empty when md5sum cannot be run.
inline std::string Md5Hex(std::span<const std::uint8_t> data) {
    const TempDir dir;
    const std::filesystem::path sum = dir / "sum";
    FILE* md5sum = ::popen(("md5sum > '" + sum.string() + "'").c_str(), "w");
    if (md5sum == nullptr) return {};
    const bool written = std::fwrite(data.data(), 1, data.size(), md5sum) == data.size();
    if (::pclose(md5sum) != 0 || !written) return {};
    const std::vector<std::uint8_t> line = ReadFileBytes(sum, 0, 32);
    return {line.begin(), line.end()};
}

inline std::string Md5Hex(std::string_view text) {
    return Md5Hex(std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

}  // namespace tundrel::test
