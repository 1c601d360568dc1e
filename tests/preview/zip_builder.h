#pragma once
// Small ZIP packages made in a test with minizip's zip interface, for what no office program
// writes (damage, hostile counts, a bomb).

#include <zip.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "test_support.h"

namespace tundrel::test {

// The package holding `members` (name, content) in order, deflated.
inline std::vector<std::uint8_t> ZipOf(const std::vector<std::pair<std::string, std::string>>& members) {
    const TempDir dir;
    const std::string path = (dir / "package.zip").string();
    zipFile zip = zipOpen64(path.c_str(), APPEND_STATUS_CREATE);
    for (const auto& [name, content] : members) {
        zipOpenNewFileInZip64(zip, name.c_str(), nullptr, nullptr, 0, nullptr, 0, nullptr, Z_DEFLATED,
                              Z_DEFAULT_COMPRESSION, content.size() >= 0xFFFFFFFFu);
        zipWriteInFileInZip(zip, content.data(), static_cast<unsigned>(content.size()));
        zipCloseFileInZip(zip);
    }
    zipClose(zip, nullptr);
    return FileBytes(path);
}

// An XML member's text after a declaration naming UTF-8, as office programs write it.
inline std::string Declared(std::string_view body) {
    return R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>)" + std::string(body);
}

}  // namespace tundrel::test
