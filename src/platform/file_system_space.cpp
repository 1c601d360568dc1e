#include "platform/file_system_space.h"

#include <sys/statvfs.h>

namespace tundrel::platform {
namespace {

FileSystemSpace SpaceFrom(const struct statvfs& info) {
    FileSystemSpace space;
    const std::uint64_t unit = info.f_frsize != 0 ? info.f_frsize : info.f_bsize;
    space.freeBytes = std::uint64_t{info.f_bavail} * unit;
    space.totalBytes = std::uint64_t{info.f_blocks} * unit;
    space.readOnly = (info.f_flag & ST_RDONLY) != 0;
    return space;
}

}  // namespace

std::optional<FileSystemSpace> SpaceOf(const std::string& path) {
    struct statvfs info = {};
    if (::statvfs(path.c_str(), &info) != 0) return std::nullopt;
    return SpaceFrom(info);
}

std::optional<FileSystemSpace> SpaceOfDescriptor(int fd) {
    struct statvfs info = {};
    if (::fstatvfs(fd, &info) != 0) return std::nullopt;
    return SpaceFrom(info);
}

}  // namespace tundrel::platform
