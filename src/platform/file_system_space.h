#pragma once
// Room and write permission of the file system that holds a folder.

#include <cstdint>
#include <optional>
#include <string>

namespace tundrel::platform {

struct FileSystemSpace {
    std::uint64_t freeBytes = 0;   // what an ordinary process may still write
    std::uint64_t totalBytes = 0;
    bool readOnly = false;         // mounted read-only
};

std::optional<FileSystemSpace> SpaceOf(const std::string& path);
std::optional<FileSystemSpace> SpaceOfDescriptor(int fd);

}  // namespace tundrel::platform
