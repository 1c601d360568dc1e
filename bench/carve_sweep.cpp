// Sweeps a raw image with the carving dispatcher as a carving pass does (64 KiB pieces, every
// 512-byte block offered to every rule) and lists the finds; it writes no file.
//
//   carve_sweep [--all] IMAGE
//
// Default types unless --all switches every type on. Prints one line per find, in table order:
// type, first sector and size in bytes (tab separated). The size of a fixed-size type may run
// past the end of the image.

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "carve/carve_dispatcher.h"
#include "scan/scan_progress.h"
#include "support/settings.h"

namespace {

constexpr std::size_t kPieceBytes = 64 * 1024;

// Reads whole sectors at `firstSector`; false on a short read.
bool ReadAt(int fd, std::span<std::uint8_t> buffer, std::uint64_t firstSector) {
    std::size_t done = 0;
    while (done < buffer.size()) {
        const ssize_t got = pread(fd, buffer.data() + done, buffer.size() - done,
                                  static_cast<off_t>(firstSector * tundrel::kCarveBlockBytes + done));
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return false;
        done += static_cast<std::size_t>(got);
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace tundrel;
    const bool all = argc == 3 && std::string(argv[1]) == "--all";
    if (argc != 2 && !all) {
        std::fprintf(stderr, "usage: carve_sweep [--all] IMAGE\n");
        return 2;
    }
    const char* image = argv[argc - 1];
    const int fd = open(image, O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        std::fprintf(stderr, "carve_sweep: cannot open %s: %s\n", image, std::strerror(errno));
        return 1;
    }
    Settings settings;
    if (all) settings.carveTypes.fill(true);
    std::vector<CarveRule> table = BuildCarveTable(settings);
    ScanProgress progress;
    CarveContext context{[fd](std::span<std::uint8_t> buffer, std::uint64_t firstSector) { return ReadAt(fd, buffer, firstSector); },
                         ProgramNameCounters()};
    std::vector<std::uint8_t> piece(kPieceBytes);
    std::uint64_t sector = 0;
    for (;;) {
        const ssize_t got = pread(fd, piece.data(), piece.size(), static_cast<off_t>(sector * kCarveBlockBytes));
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) {
            std::fprintf(stderr, "carve_sweep: read error at sector %llu: %s\n", static_cast<unsigned long long>(sector),
                         std::strerror(errno));
            return 1;
        }
        if (got < static_cast<ssize_t>(kCarveBlockBytes)) break;
        DispatchCarveBlocks(std::span(piece).first(static_cast<std::size_t>(got)), sector, table, context, progress);
        sector += static_cast<std::uint64_t>(got) / kCarveBlockBytes;
    }
    close(fd);
    for (const CarveRule& rule : table) {
        for (const CarvedFile& file : rule.found) {
            std::printf("%s\t%llu\t%llu\n", std::string(rule.info->typeName).c_str(),
                        static_cast<unsigned long long>(file.firstSector), static_cast<unsigned long long>(file.size));
        }
    }
    return 0;
}
