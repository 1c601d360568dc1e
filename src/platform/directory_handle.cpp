#include "platform/directory_handle.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/new_file_modes.h"
#include "platform/retry_on_interrupt.h"

namespace tundrel::platform {
namespace {

constexpr int kFolderFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;

}  // namespace

DirectoryHandle& DirectoryHandle::operator=(DirectoryHandle&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0) ::close(fd_);
        fd_ = other.fd_;
        other.fd_ = -1;
    }
    return *this;
}

DirectoryHandle::~DirectoryHandle() {
    if (fd_ >= 0) ::close(fd_);
}

std::optional<DirectoryHandle> DirectoryHandle::Open(const std::string& path, int& error) {
    const int fd = RetryOnInterrupt([&] { return ::open(path.c_str(), kFolderFlags); });
    if (fd < 0) {
        error = errno;
        return std::nullopt;
    }
    return DirectoryHandle(fd);
}

std::optional<DirectoryHandle> DirectoryHandle::MakeChild(const std::string& name, int& error) const {
    if (::mkdirat(fd_, name.c_str(), kNewFolderMode) != 0 && errno != EEXIST) {
        error = errno;
        return std::nullopt;
    }
    const int fd = RetryOnInterrupt([&] { return ::openat(fd_, name.c_str(), kFolderFlags | O_NOFOLLOW); });
    if (fd < 0) {
        error = errno;
        return std::nullopt;
    }
    return DirectoryHandle(fd);
}

bool DirectoryHandle::Holds(const std::string& name) const {
    struct stat info = {};
    return ::fstatat(fd_, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0;
}

bool DirectoryHandle::HoldsRegularFile(const std::string& name) const {
    struct stat info = {};
    return ::fstatat(fd_, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(info.st_mode);
}

std::optional<OutputFile> DirectoryHandle::CreateFile(const std::string& name, int& error) const {
    // O_EXCL makes a new regular file or fails: nothing planted under the name is opened.
    constexpr int kFlags = O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC;
    const int fd = RetryOnInterrupt([&] { return ::openat(fd_, name.c_str(), kFlags, kNewFileMode); });
    if (fd < 0) {
        error = errno;
        return std::nullopt;
    }
    return OutputFile(fd);
}

bool DirectoryHandle::Remove(const std::string& name) const { return ::unlinkat(fd_, name.c_str(), 0) == 0; }

}  // namespace tundrel::platform
