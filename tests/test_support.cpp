#include "test_support.h"

#include <gtest/gtest.h>

#include <sstream>

#include "cli/cli_app.h"
#include "image_write_guard.h"

#include <stdlib.h>
#include <sys/mount.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <string>
#include <system_error>

namespace tundrel::test {

TempDir::TempDir() {
    std::string pattern = "/tmp/tundrel-test-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) {
        std::perror("mkdtemp");
        std::abort();
    }
    path_ = pattern;
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

TimeZone::TimeZone(const char* zone) {
    if (const char* current = std::getenv("TZ")) previous_ = current;
    ::setenv("TZ", zone, 1);
    ::tzset();
}

TimeZone::~TimeZone() {
    previous_ ? ::setenv("TZ", previous_->c_str(), 1) : ::unsetenv("TZ");
    ::tzset();
}

std::vector<std::uint8_t> PatternBytes(std::size_t size) {
    std::vector<std::uint8_t> bytes(size);
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>((i * 7 + i / 512) & 0xFF);
    return bytes;
}

void WriteBinaryFile(const std::filesystem::path& file, const std::vector<std::uint8_t>& bytes) {
    std::ofstream(file, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::optional<int> OpenFlagsOf(const std::filesystem::path& file) {
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path wanted = fs::canonical(file, ec);
    if (ec) return std::nullopt;
    for (fs::directory_iterator it("/proc/self/fd", ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code linkError;
        if (fs::read_symlink(it->path(), linkError) != wanted || linkError) continue;
        std::ifstream info("/proc/self/fdinfo/" + it->path().filename().string());
        std::string key;
        std::string value;
        while (info >> key >> value) {
            if (key == "flags:") return static_cast<int>(std::stoul(value, nullptr, 8));
        }
    }
    return std::nullopt;
}

std::vector<nlohmann::json> JsonLines(const std::string& text) {
    std::vector<nlohmann::json> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(nlohmann::json::parse(line));
    return lines;
}

std::filesystem::path TestImage(const std::string& name) {
    namespace fs = std::filesystem;
    const fs::path compressed = fs::path(TUNDREL_TEST_DATA_DIR) / "images" / (name + ".img.gz");
    std::error_code ec;
    const auto size = fs::file_size(compressed, ec);
    if (ec) {
        ADD_FAILURE() << "no test image " << compressed;
        return {};
    }
    const auto stamp = fs::last_write_time(compressed, ec).time_since_epoch().count();
    // Named after the compressed file's size and time, so a regenerated image is unpacked anew.
    const fs::path cache = fs::temp_directory_path() / "tundrel-test-images";
    const fs::path image = cache / (name + "-" + std::to_string(size) + "-" + std::to_string(stamp) + ".img");
    if (fs::exists(image, ec)) {
        GuardImageAgainstWrites(image);
        return image;
    }
    fs::create_directories(cache, ec);

    // Another test process may unpack the same image at the same time: each unpacks into a file
    // of its own, and the rename makes whichever whole copy lands last the one in place.
    const fs::path partial = image.string() + "." + std::to_string(::getpid());
    if (!RunQuietly("{ gzip -dc '" + compressed.string() + "' > '" + partial.string() + "'; }") ||
        std::rename(partial.c_str(), image.c_str()) != 0) {
        fs::remove(partial, ec);
        ADD_FAILURE() << "cannot unpack the test image " << compressed;
        return {};
    }
    GuardImageAgainstWrites(image);
    return image;
}

std::filesystem::path CopyOfImage(const std::string& name, const std::filesystem::path& directory) {
    const std::filesystem::path copy = directory / (name + ".img");
    std::filesystem::copy_file(TestImage(name), copy, std::filesystem::copy_options::overwrite_existing);
    return copy;
}

void PatchFile(const std::filesystem::path& file, std::uint64_t offset, const std::vector<std::uint8_t>& bytes) {
    std::fstream stream(file, std::ios::in | std::ios::out | std::ios::binary);
    stream.seekp(static_cast<std::streamoff>(offset));
    stream.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::vector<std::uint8_t> ReadFileBytes(const std::filesystem::path& file, std::uint64_t offset, std::size_t length) {
    std::vector<std::uint8_t> bytes(length);
    std::ifstream stream(file, std::ios::binary);
    stream.seekg(static_cast<std::streamoff>(offset));
    stream.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(length));
    bytes.resize(static_cast<std::size_t>(stream.gcount()));
    return bytes;
}

std::vector<std::uint8_t> FileBytes(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

LoopDevice::LoopDevice(const std::filesystem::path& image, unsigned sectorSize, bool writable, std::uint64_t offset,
                       std::uint64_t length) {
    std::string command = "losetup --find --show --sector-size " + std::to_string(sectorSize) + " --offset " +
                          std::to_string(offset) + (writable ? "" : " --read-only");
    if (length != 0) command += " --sizelimit " + std::to_string(length);
    path_ = CommandOutput(command + " '" + image.string() + "'");
}

LoopDevice::~LoopDevice() {
    if (Attached()) RunQuietly("losetup --detach " + path_);
}

bool RunQuietly(const std::string& command) { return std::system((command + " >/dev/null 2>&1").c_str()) == 0; }

std::string CommandOutput(const std::string& command) {
    std::string output;
    FILE* pipe = ::popen((command + " 2>/dev/null").c_str(), "r");
    if (pipe == nullptr) return output;
    char buffer[4096];
    for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) output.append(buffer, got);
    ::pclose(pipe);
    while (!output.empty() && output.back() == '\n') output.pop_back();
    return output;
}

TmpfsMount::TmpfsMount(const std::string& size, bool readOnly) {
    const std::string options = "size=" + size;
    mounted_ = ::mount("tundrel-test", dir_.Path().c_str(), "tmpfs", readOnly ? MS_RDONLY : 0, options.c_str()) == 0;
}

TmpfsMount::~TmpfsMount() {
    if (mounted_) ::umount2(dir_.Path().c_str(), MNT_DETACH);
}

ToolOutcome RunTool(std::vector<std::string> args) {
    args.insert(args.begin(), "tundrel");
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    std::ostringstream out, err;
    const int status = cli::Run(static_cast<int>(argv.size()), argv.data(), out, err);
    return {status, out.str(), err.str()};
}

}  // namespace tundrel::test
