#include "platform/staged_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <utility>

#include "platform/new_file_modes.h"
#include "platform/retry_on_interrupt.h"

namespace tundrel::platform {
namespace {

constexpr int kHiddenNameAttempts = 100;
// What is left of a 255-byte name after ".", ".99" and ".partial".
constexpr std::size_t kMaxHiddenStemBytes = 243;

// ".NAME.partial", then ".NAME.1.partial", ...; a long name is cut, never inside a character.
std::string HiddenName(const std::string& name, int attempt) {
    std::size_t length = std::min(name.size(), kMaxHiddenStemBytes);
    while (length > 0 && length < name.size() && (static_cast<unsigned char>(name[length]) & 0xC0) == 0x80) --length;
    std::string hidden = "." + name.substr(0, length);
    if (attempt > 0) hidden += "." + std::to_string(attempt);
    return hidden + ".partial";
}

bool IsTaken(int folder, const std::string& name) {
    struct stat existing = {};
    return ::fstatat(folder, name.c_str(), &existing, AT_SYMLINK_NOFOLLOW) == 0;
}

}  // namespace

StagedFile::StagedFile(int folder, std::string name, std::string hiddenName, int fd)
    : folder_(folder), name_(std::move(name)), hiddenName_(std::move(hiddenName)), output_(fd) {}

StagedFile::StagedFile(StagedFile&& other) noexcept
    : folder_(other.folder_),
      name_(std::move(other.name_)),
      hiddenName_(std::exchange(other.hiddenName_, {})),
      output_(std::move(other.output_)),
      published_(other.published_) {}

StagedFile::~StagedFile() {
    if (!published_ && !hiddenName_.empty()) ::unlinkat(folder_, hiddenName_.c_str(), 0);
}

std::optional<StagedFile> StagedFile::Begin(const DirectoryHandle& folder, const std::string& name, int& error) {
    const int dir = folder.Descriptor();
    int fd = RetryOnInterrupt([&] { return ::openat(dir, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, kNewFileMode); });
    if (fd >= 0) return StagedFile(dir, name, {}, fd);
    for (int attempt = 0; attempt < kHiddenNameAttempts; ++attempt) {
        std::string hidden = HiddenName(name, attempt);
        // O_EXCL and O_NOFOLLOW: a new regular file or nothing, whatever was planted under the name.
        fd = RetryOnInterrupt([&] {
            return ::openat(dir, hidden.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, kNewFileMode);
        });
        if (fd >= 0) return StagedFile(dir, name, std::move(hidden), fd);
        if (errno != EEXIST) {
            error = errno;
            return std::nullopt;
        }
    }
    error = EEXIST;
    return std::nullopt;
}

bool StagedFile::Publish(bool replace, int& error) {
    // A nameless file is linked under a hidden name first: it must be closed, and a write
    // error that only closing reports seen, before it takes its real name.
    if (hiddenName_.empty() && !LinkUnderHiddenName(error)) return false;
    if (!output_.Close(error)) return false;
    if (!(replace ? ReplaceEntry(error) : TakeFreeName(error))) return false;
    published_ = true;
    return true;
}

bool StagedFile::LinkUnderHiddenName(int& error) {
    const std::string self = "/proc/self/fd/" + std::to_string(output_.Descriptor());
    for (int attempt = 0; attempt < kHiddenNameAttempts; ++attempt) {
        const std::string hidden = HiddenName(name_, attempt);
        int linked = ::linkat(AT_FDCWD, self.c_str(), folder_, hidden.c_str(), AT_SYMLINK_FOLLOW);
        if (linked != 0 && errno == ENOENT) {
            // No /proc: the descriptor itself, which older kernels allow only with CAP_DAC_READ_SEARCH.
            linked = ::linkat(output_.Descriptor(), "", folder_, hidden.c_str(), AT_EMPTY_PATH);
        }
        if (linked == 0) {
            hiddenName_ = hidden;
            return true;
        }
        if (errno != EEXIST) {
            error = errno;
            return false;
        }
    }
    error = EEXIST;
    return false;
}

bool StagedFile::RenameToName(int& error) {
    if (::renameat(folder_, hiddenName_.c_str(), folder_, name_.c_str()) != 0) {
        error = errno;
        return false;
    }
    hiddenName_.clear();
    return true;
}

bool StagedFile::ReplaceEntry(int& error) {
    struct stat existing = {};
    if (::fstatat(folder_, name_.c_str(), &existing, AT_SYMLINK_NOFOLLOW) == 0 && !S_ISREG(existing.st_mode)) {
        error = S_ISDIR(existing.st_mode) ? EISDIR : EEXIST;
        return false;
    }
    return RenameToName(error);
}

bool StagedFile::TakeFreeName(int& error) {
    if (::renameat2(folder_, hiddenName_.c_str(), folder_, name_.c_str(), RENAME_NOREPLACE) == 0) {
        hiddenName_.clear();
        return true;
    }
    if (errno != EINVAL && errno != ENOSYS) {
        error = errno;
        return false;
    }
    // Without a rename that refuses to replace (some FUSE file systems), a second hard link
    // takes the name only if it is free; where there are no hard links either, the name is
    // looked at just before the rename.
    if (::linkat(folder_, hiddenName_.c_str(), folder_, name_.c_str(), 0) == 0) {
        ::unlinkat(folder_, hiddenName_.c_str(), 0);
        hiddenName_.clear();
        return true;
    }
    if (errno == EEXIST || IsTaken(folder_, name_)) {
        error = EEXIST;
        return false;
    }
    return RenameToName(error);
}

}  // namespace tundrel::platform
