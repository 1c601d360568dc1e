// The full scan's per-sector tests over arbitrary bytes cut into pieces of a size the input
// chooses, then the exFAT volumes rebuilt from the boot records gathered and the loose MFT
// records filed, all over the same bytes held in memory.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "disk/sector_source.h"
#include "memory_device.h"
#include "modes/all_scanners.h"
#include "modes/exfat_rebuild.h"
#include "modes/full_scan_sweep.h"
#include "modes/volume_rebuild.h"
#include "platform/device.h"
#include "scan/scan_context.h"
#include "scan/scan_progress.h"
#include "scan/volume_scanner.h"
#include "support/settings.h"

using namespace tundrel;
using tundrel::test::MemoryDevice;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    const std::size_t pieceSectors = 1 + data[0] % 64;
    const std::span<const std::uint8_t> image(data + 1, size - 1);
    Settings settings;
    settings.carveTypes.fill(false);
    ScanProgress progress;
    ScanEnvironment environment{settings, progress, AllScanners(), nullptr};
    ScanTask task;
    task.sourceName = u"/fuzz/full.img";
    task.mode = kModeFullScan;
    ScanContext context(environment, task);
    SectorSource source([image](const std::string&, int&) -> std::unique_ptr<platform::Device> {
        return std::make_unique<MemoryDevice>(image);
    });
    if (!source.Open(task.sourceName)) return 0;

    FullScanCandidates candidates;
    FullScanSweep sweep({}, candidates, &progress);
    const std::size_t pieceBytes = pieceSectors * 512;
    for (std::size_t at = 0; at + 512 <= image.size(); at += pieceBytes) {
        sweep.Examine(image.subspan(at, std::min(pieceBytes, image.size() - at)), at / 512);
    }
    const SubScannerSetting setting{context, source, {}};
    const auto rebuilt = RebuildExFatVolumes(setting, candidates.exfatBoots.items);
    ScanNode scanned;
    NamePool names;
    FileUnclaimedRecords(scanned, std::move(candidates.looseRecords.items), names, progress.stopRequested);
    return 0;
}
