#include "test_support.h"

#include <stdlib.h>

#include <cstdio>
#include <cstdlib>
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

LoopDevice::LoopDevice(const std::filesystem::path& image, unsigned sectorSize) {
    const std::string command = "losetup --find --show --read-only --sector-size " + std::to_string(sectorSize) +
                                " '" + image.string() + "' 2>/dev/null";
    FILE* output = ::popen(command.c_str(), "r");
    if (output == nullptr) return;
    char line[256] = {};
    const bool gotLine = std::fgets(line, sizeof line, output) != nullptr;
    if (::pclose(output) != 0 || !gotLine) return;
    path_ = line;
    while (!path_.empty() && (path_.back() == '\n' || path_.back() == ' ')) path_.pop_back();
}

LoopDevice::~LoopDevice() {
    if (Attached()) std::system(("losetup --detach " + path_ + " 2>/dev/null").c_str());
}

}  // namespace tundrel::test
