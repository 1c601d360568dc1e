#pragma once
// The MD5 of recovered data, through the system's md5sum, to compare with the manifests.

#include <cstdio>
#include <span>
#include <string>

#include "test_support.h"

namespace tundrel::test {

inline std::string Md5Hex(std::span<const std::uint8_t> data) {
    TempDir dir;
    WriteBinaryFile(dir / "data", std::vector<std::uint8_t>(data.begin(), data.end()));
    FILE* pipe = ::popen(("md5sum '" + (dir / "data").string() + "'").c_str(), "r");
    char hex[32] = {};
    const bool read = pipe != nullptr && std::fread(hex, 1, sizeof hex, pipe) == sizeof hex;
    if (pipe != nullptr) ::pclose(pipe);
    return read ? std::string(hex, sizeof hex) : std::string("md5sum failed");
}

}  // namespace tundrel::test
