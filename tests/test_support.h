#pragma once
// Helpers shared by every test executable: the command line in the process, temporary
// folders, the committed images and bytes of files.

#include <cstdint>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "support/strings.h"

namespace tundrel::test {

// What one run of the command line printed and returned.
struct ToolOutcome {
    int status;
    std::string out;
    std::string err;
};

// Runs `tundrel` with the given arguments inside the test process.
ToolOutcome RunTool(std::vector<std::string> args);
// The objects of JSON Lines output, one per line.
std::vector<nlohmann::json> JsonLines(const std::string& text);

// Runs a shell command with its output discarded; true when it exits with 0.
bool RunQuietly(const std::string& command);
// What a shell command writes to its standard output, without the trailing line break.
std::string CommandOutput(const std::string& command);

// A fresh directory under /tmp, removed with everything in it when the object goes.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& Path() const { return path_; }
    std::filesystem::path operator/(const std::filesystem::path& child) const { return path_ / child; }

private:
    std::filesystem::path path_;
};

// Sets the process's time zone (TZ) while it lives, then puts the one before back.
class TimeZone {
public:
    explicit TimeZone(const char* zone);
    ~TimeZone();
    TimeZone(const TimeZone&) = delete;
    TimeZone& operator=(const TimeZone&) = delete;

private:
    std::optional<std::string> previous_;
};

// Gives the texts in one language while it lives, then puts the one before back.
class ScopedLanguage {
public:
    explicit ScopedLanguage(Language language) : previous_(CurrentLanguage()) { SetLanguage(language); }
    ~ScopedLanguage() { SetLanguage(previous_); }
    ScopedLanguage(const ScopedLanguage&) = delete;
    ScopedLanguage& operator=(const ScopedLanguage&) = delete;

private:
    Language previous_;
};

// Bytes that tell where they sit, so that data read from the wrong offset shows.
std::vector<std::uint8_t> PatternBytes(std::size_t size);
void WriteBinaryFile(const std::filesystem::path& file, const std::vector<std::uint8_t>& bytes);

// The flags (O_RDONLY, O_CLOEXEC, ...) with which this process holds `file` open, from
// /proc/self/fdinfo; nothing when it does not hold it open.
std::optional<int> OpenFlagsOf(const std::filesystem::path& file);

// The committed test image tests/images/<name>.img.gz, decompressed once into a cache folder
// under /tmp and shared by every test that asks for it. When it cannot be made the test fails
// there, and the path is empty.
std::filesystem::path TestImage(const std::string& name);
// A writable copy of a committed image in `directory`, for tests that damage it.
std::filesystem::path CopyOfImage(const std::string& name, const std::filesystem::path& directory);
void PatchFile(const std::filesystem::path& file, std::uint64_t offset, const std::vector<std::uint8_t>& bytes);
// Up to `length` bytes at `offset`; fewer at the end of the file.
std::vector<std::uint8_t> ReadFileBytes(const std::filesystem::path& file, std::uint64_t offset, std::size_t length);
std::vector<std::uint8_t> FileBytes(const std::filesystem::path& file);
// The whole of a committed image, for tests that damage a copy of it in memory.
inline std::vector<std::uint8_t> ImageBytes(const std::string& name) { return FileBytes(TestImage(name)); }
// The bytes of a text, as a parser of bytes takes them.
inline std::vector<std::uint8_t> TextBytes(std::string_view text) { return {text.begin(), text.end()}; }

// A loop device over `length` bytes (0: all the rest) of an image file from `offset`, read-only
// unless `writable`, detached when the object goes. Attaching needs root and the loop driver:
// check Attached() and skip the test without them.
class LoopDevice {
public:
    explicit LoopDevice(const std::filesystem::path& image, unsigned sectorSize = 512, bool writable = false,
                        std::uint64_t offset = 0, std::uint64_t length = 0);
    ~LoopDevice();
    LoopDevice(const LoopDevice&) = delete;
    LoopDevice& operator=(const LoopDevice&) = delete;

    bool Attached() const { return !path_.empty(); }
    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

// Mounts a tmpfs of the given size ("1m"), read-only when asked, at a new folder; needs root.
class TmpfsMount {
public:
    TmpfsMount(const std::string& size, bool readOnly);
    ~TmpfsMount();
    bool Mounted() const { return mounted_; }
    const std::filesystem::path& Path() const { return dir_.Path(); }

private:
    TempDir dir_;
    bool mounted_ = false;
};

}  // namespace tundrel::test
