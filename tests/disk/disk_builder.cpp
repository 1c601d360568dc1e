#include "disk_builder.h"

#include "test_support.h"

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

    // Only the pieces that are not all zeros are written, so that the disk stays sparse.
    const bool written = RunQuietly("dd if=" + Quoted(volume) + " of=" + Quoted(disk) + " bs=64K conv=sparse,notrunc" +
                                    " oflag=seek_bytes seek=" + std::to_string(start * 512));
    fs::remove(volume, ec);
    return written;
}

void WipeSector(const fs::path& file, std::uint64_t sector) {
    PatchFile(file, sector * 512, std::vector<std::uint8_t>(512, 0));
}

}  // namespace tundrel::test
