// Opening a saved scan result (.kvf) made of the input, against the bundled sample disk held
// in memory, then reading the start of every file the loaded scanners list: no count, string,
// nesting or parameter block of the file may crash, hang or allocate without bound.
//
// Input: the whole saved result. The identity is not compared, so that every task opens.

#include <zlib.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "memory_device.h"
#include "modes/all_scanners.h"
#include "read_every_file.h"
#include "scan/result_file.h"
#include "scan/scan_progress.h"
#include "scan/volume_scanner.h"
#include "support/settings.h"

using namespace tundrel;
using tundrel::test::MemoryDevice;

namespace {

const std::vector<std::uint8_t>& SampleDisk() {
    static const std::vector<std::uint8_t> bytes = [] {
        std::vector<std::uint8_t> unpacked;
        const std::string path = std::string(TUNDREL_IMAGES_DIR) + "/sample-disk.img.gz";
        gzFile file = gzopen(path.c_str(), "rb");
        if (file == nullptr) {
            std::fprintf(stderr, "cannot read %s\n", path.c_str());
            std::abort();
        }
        std::array<std::uint8_t, 1 << 16> piece{};
        for (int got; (got = gzread(file, piece.data(), piece.size())) > 0;) {
            unpacked.insert(unpacked.end(), piece.begin(), piece.begin() + got);
        }
        gzclose(file);
        return unpacked;
    }();
    return bytes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Settings settings;
    ScanProgress progress;
    ScanEnvironment environment{settings, progress, AllScanners()};
    environment.opener = [](const std::string&, int&) -> std::unique_ptr<platform::Device> {
        return std::make_unique<MemoryDevice>(SampleDisk());
    };
    std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
    std::vector<std::unique_ptr<ScanContext>> contexts;
    OpenScanResults(in, size, environment, contexts, false);
    std::vector<std::uint8_t> buffer;
    for (const auto& context : contexts) {
        for (const auto& scanner : context->scanners) {
            for (const ScanNode& root : scanner->roots.roots) fuzz::ReadEveryFile(*scanner, root, buffer);
        }
    }
    return 0;
}
