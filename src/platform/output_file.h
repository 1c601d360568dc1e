#pragma once
// A regular file being written at the export destination.

#include <cstdint>
#include <ctime>
#include <optional>
#include <span>

namespace tundrel::platform {

class OutputFile {
public:
    explicit OutputFile(int fd) : fd_(fd) {}
    ~OutputFile();
    OutputFile(OutputFile&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
    OutputFile& operator=(OutputFile&& other) noexcept;
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Writes all of `bytes`; on failure `error` holds the system's error number (a write that
    // makes no progress counts as ENOSPC).
    bool Write(std::span<const std::uint8_t> bytes, int& error);
    // Sets the last-access and last-modification times; a time that is not given is left as
    // it is. The system keeps no settable creation time.
    bool SetTimes(std::optional<timespec> accessed, std::optional<timespec> modified);
    // Closes the file; some file systems report a failed write only here.
    bool Close(int& error);

    int Descriptor() const { return fd_; }

private:
    int fd_;
};

}  // namespace tundrel::platform
