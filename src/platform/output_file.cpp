#include "platform/output_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace tundrel::platform {

OutputFile::~OutputFile() {
    if (fd_ >= 0) ::close(fd_);
}

OutputFile& OutputFile::operator=(OutputFile&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0) ::close(fd_);
        fd_ = other.fd_;
        other.fd_ = -1;
    }
    return *this;
}

bool OutputFile::Write(std::span<const std::uint8_t> bytes, int& error) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t wrote = ::write(fd_, bytes.data() + done, bytes.size() - done);
        if (wrote < 0 && errno == EINTR) continue;
        if (wrote <= 0) {
            error = wrote < 0 ? errno : ENOSPC;
            return false;
        }
        done += static_cast<std::size_t>(wrote);
    }
    return true;
}

bool OutputFile::SetTimes(std::optional<timespec> accessed, std::optional<timespec> modified) {
    timespec times[2];
    times[0] = accessed.value_or(timespec{0, UTIME_OMIT});
    times[1] = modified.value_or(timespec{0, UTIME_OMIT});
    return ::futimens(fd_, times) == 0;
}

bool OutputFile::Close(int& error) {
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) == 0) return true;
    error = errno;
    return false;
}

}  // namespace tundrel::platform
