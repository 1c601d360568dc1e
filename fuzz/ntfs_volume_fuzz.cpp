// A whole NTFS volume scan over a small image held in memory, in the deleted-file mode (so
// the cluster bitmap is read for the overwritten check), then every node found turned into
// extents and read.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "disk/sector_source.h"
#include "ntfs/ntfs_scanner.h"
#include "memory_device.h"
#include "platform/device.h"
#include "scan/scan_context.h"
#include "scan/scan_progress.h"
#include "support/settings.h"

using namespace tundrel;
using tundrel::test::MemoryDevice;

namespace {

std::size_t ReadEverything(VolumeScanner& scanner, const ScanNode& directory, std::vector<std::uint8_t>& buffer) {
    std::size_t nodes = 0;
    for (const ScanNode& child : directory.children) {
        ++nodes;
        if (child.IsDirectory()) {
            nodes += ReadEverything(scanner, child, buffer);
            continue;
        }
        ExtentList extents;
        if (!scanner.BuildExtents(child, extents)) continue;
        buffer.resize(static_cast<std::size_t>(std::min<std::uint64_t>(child.size, 64 * 1024)));
        scanner.ReadNodeData(buffer, 0, child, extents);
    }
    return nodes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> image(data, size);
    Settings settings;
    ScanProgress progress;
    ScanEnvironment environment{settings, progress, {}, nullptr};
    ScanTask task;
    task.sourceName = u"/fuzz/ntfs.img";
    task.mode = kModeDeletedFiles;
    ScanContext context(environment, task);
    SectorSource source([image](const std::string&, int&) -> std::unique_ptr<platform::Device> {
        return std::make_unique<MemoryDevice>(image);
    });
    if (!source.Open(task.sourceName)) return 0;

    NtfsScanner scanner(context);
    scanner.source = scanner.readSource = &source;
    scanner.volumeSectors = static_cast<std::uint32_t>(source.totalSectors);
    scanner.Scan();
    std::vector<std::uint8_t> buffer;
    std::size_t nodes = 0;
    for (const ScanNode& root : scanner.roots.roots) nodes += ReadEverything(scanner, root, buffer);
    // No tree grows beyond a few copies of each record the image can hold.
    if (nodes > 8 * (size / 1024 + 16)) __builtin_trap();
    return 0;
}
