#include "platform/directory_handle.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace tundrel::platform {
namespace {

constexpr int kFolderFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;
constexpr mode_t kFolderMode = 0777;  // narrowed by the umask, as for any new folder
constexpr mode_t kFileMode = 0666;

int RetryOnInterrupt(auto call) {
    for (;;) {
        const int result = call();
        if (result >= 0 || errno != EINTR) return result;
    }
}

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
    if (::mkdirat(fd_, name.c_str(), kFolderMode) != 0 && errno != EEXIST) {
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

std::optional<OutputFile> DirectoryHandle::CreateFile(const std::string& name, bool exclusive, int& error) const {
    constexpr int kFlags = O_WRONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC;
    if (exclusive) {
        // O_EXCL makes a new regular file or fails: nothing planted under the name is opened.
        const int fd = RetryOnInterrupt([&] { return ::openat(fd_, name.c_str(), kFlags | O_EXCL, kFileMode); });
        if (fd < 0) {
            error = errno;
            return std::nullopt;
        }
        return OutputFile(fd);
    }
    // Only regular files are ever overwritten: a device node or FIFO under that name is
    // refused before it is opened, and O_NONBLOCK keeps one swapped in meanwhile from hanging.
    struct stat existing = {};
    if (::fstatat(fd_, name.c_str(), &existing, AT_SYMLINK_NOFOLLOW) == 0 && !S_ISREG(existing.st_mode)) {
        error = S_ISDIR(existing.st_mode) ? EISDIR : EEXIST;
        return std::nullopt;
    }
    const int fd = RetryOnInterrupt([&] { return ::openat(fd_, name.c_str(), kFlags | O_TRUNC | O_NONBLOCK, kFileMode); });
    if (fd < 0) {
        error = errno;
        return std::nullopt;
    }
    struct stat info = {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        error = S_ISDIR(info.st_mode) ? EISDIR : EINVAL;
        ::close(fd);
        return std::nullopt;
    }
    const int current = ::fcntl(fd, F_GETFL);
    if (current < 0 || ::fcntl(fd, F_SETFL, current & ~O_NONBLOCK) != 0) {
        error = errno;
        ::close(fd);
        return std::nullopt;
    }
    return OutputFile(fd);
}

bool DirectoryHandle::Remove(const std::string& name) const { return ::unlinkat(fd_, name.c_str(), 0) == 0; }

}  // namespace tundrel::platform
