#pragma once
// A folder of the export destination, held open: everything below it is created relative to
// it, one name at a time, so no path is resolved twice and no symbolic link found inside the
// destination is ever followed.

#include <optional>
#include <string>

#include "platform/output_file.h"

namespace tundrel::platform {

class DirectoryHandle {
public:
    DirectoryHandle(DirectoryHandle&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
    DirectoryHandle& operator=(DirectoryHandle&& other) noexcept;
    DirectoryHandle(const DirectoryHandle&) = delete;
    DirectoryHandle& operator=(const DirectoryHandle&) = delete;
    ~DirectoryHandle();

    // The destination folder the user chose (a link there is the user's own choice).
    static std::optional<DirectoryHandle> Open(const std::string& path, int& error);

    // Creates the sub-folder unless it exists, and opens it. An entry of that name that is
    // not a folder (a symbolic link included) makes it fail.
    std::optional<DirectoryHandle> MakeChild(const std::string& name, int& error) const;
    // Whether an entry of that name exists, of any kind.
    bool Holds(const std::string& name) const;
    // Whether the entry of that name is a regular file (a symbolic link is not).
    bool HoldsRegularFile(const std::string& name) const;
    // Creates a new regular file and opens it for writing; an existing entry of that name,
    // a symbolic link included, makes it fail with EEXIST.
    std::optional<OutputFile> CreateFile(const std::string& name, int& error) const;
    bool Remove(const std::string& name) const;

    int Descriptor() const { return fd_; }

private:
    explicit DirectoryHandle(int fd) : fd_(fd) {}

    int fd_;
};

}  // namespace tundrel::platform
