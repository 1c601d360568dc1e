#include "disk_builder.h"

#include "test_support.h"

#include <algorithm>
#include <fstream>

namespace tundrel::test {
namespace {

namespace fs = std::filesystem;

std::string Quoted(const fs::path& path) { return "'" + path.string() + "'"; }

}  // namespace

bool HaveTools(std::initializer_list<const char*> tools) {
    for (const char* tool : tools) {
        if (!RunQuietly(std::string("command -v ") + tool)) return false;
    }
    return true;
}

bool MakePartitionedDisk(const fs::path& disk, std::uint64_t sectors, const std::string& script) {
    std::error_code ec;
    std::ofstream(disk, std::ios::binary).close();
    fs::resize_file(disk, sectors * 512, ec);
    if (ec) return false;
    const fs::path scriptFile = disk.string() + ".sfdisk";
    std::ofstream(scriptFile) << script;
    return RunQuietly("sfdisk --no-reread --no-tell-kernel " + Quoted(disk) + " < " + Quoted(scriptFile));
}

bool FormatVolume(const fs::path& disk, std::uint64_t start, std::uint64_t sectors,
                  const std::vector<std::string>& commands) {
    const fs::path volume = disk.string() + ".volume";
    std::error_code ec;
    fs::remove(volume, ec);
    std::ofstream(volume, std::ios::binary).close();
    fs::resize_file(volume, sectors * 512, ec);
    if (ec) return false;
    for (std::string command : commands) {
        for (std::size_t at = command.find("{}"); at != std::string::npos; at = command.find("{}", at)) {
            command.replace(at, 2, Quoted(volume));
        }
        // Fixed times, so that dates the volume records can be checked.
        if (!RunQuietly("SOURCE_DATE_EPOCH=1000000000 MTOOLS_SKIP_CHECK=1 " + command)) return false;
    }

    // Copied in pieces, leaving the all-zero ones out so that the disk stays sparse.
    std::ifstream in(volume, std::ios::binary);
    std::fstream out(disk, std::ios::binary | std::ios::in | std::ios::out);
    std::vector<char> piece(1 << 16);
    for (std::uint64_t done = 0; in && done < sectors * 512; done += piece.size()) {
        in.read(piece.data(), static_cast<std::streamsize>(piece.size()));
        const auto got = static_cast<std::size_t>(in.gcount());
        const auto end = piece.begin() + static_cast<std::ptrdiff_t>(got);
        if (std::all_of(piece.begin(), end, [](char c) { return c == 0; })) continue;
        out.seekp(static_cast<std::streamoff>(start * 512 + done));
        out.write(piece.data(), static_cast<std::streamsize>(got));
    }
    const bool written = static_cast<bool>(out);
    fs::remove(volume, ec);
    return written;
}

void WipeSector(const fs::path& file, std::uint64_t sector) {
    PatchFile(file, sector * 512, std::vector<std::uint8_t>(512, 0));
}

}  // namespace tundrel::test
