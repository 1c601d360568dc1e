// A whole exFAT volume scan over a small image held in memory, in the deleted-file mode (so
// deleted directories are read and free clusters searched), then every node found turned
// into extents and read.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "disk/sector_source.h"
#include "exfat/exfat_scanner.h"
#include "memory_device.h"
#include "platform/device.h"
#include "scan/scan_context.h"
#include "scan/scan_progress.h"
#include "support/settings.h"
#include "read_every_file.h"

using namespace tundrel;
using tundrel::test::MemoryDevice;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> image(data, size);
    Settings settings;
    ScanProgress progress;
    ScanEnvironment environment{settings, progress, {}, nullptr};
    ScanTask task;
    task.sourceName = u"/fuzz/exfat.img";
    task.mode = kModeDeletedFiles;
    ScanContext context(environment, task);
    SectorSource source([image](const std::string&, int&) -> std::unique_ptr<platform::Device> {
        return std::make_unique<MemoryDevice>(image);
    });
    if (!source.Open(task.sourceName)) return 0;

    ExFatScanner scanner(context, 4);
    scanner.source = scanner.readSource = &source;
    scanner.volumeSectors = static_cast<std::uint32_t>(source.totalSectors);
    scanner.Scan();
    std::vector<std::uint8_t> buffer;
    for (const ScanNode& root : scanner.roots.roots) fuzz::ReadEveryFile(scanner, root, buffer);
    return 0;
}
