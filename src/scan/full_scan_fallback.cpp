#include "scan/full_scan_fallback.h"

#include "scan/scan_context.h"
#include "scan/scan_progress.h"
#include "scan/scanner_table.h"
#include "scan/volume_scanner.h"

namespace tundrel {

bool FallBackToFullScan(const VolumeScanner& failed, ScanContext& context, FallbackRule rule) {
    const ScanProgress& progress = context.environment.progress;
    if (context.mode != kModeFullScan || failed.scanOptions[kOptionFullScanFallback] != 1) return false;
    if (context.source.IsVolume() || progress.StopRequested()) return false;
    if (rule == FallbackRule::LoneTask && progress.taskCount.load() != 1) return false;
    const ScannerEntry* entry = FindScanner(context.environment.scanners, 0);
    if (entry == nullptr) return false;
    std::unique_ptr<VolumeScanner> made = entry->make(context, 0);
    if (!made) return false;
    VolumeScanner& full = *made;
    full.source = failed.source;
    full.readSource = failed.readSource;
    full.volumeStart = failed.volumeStart;
    full.volumeSectors = failed.volumeSectors;
    full.scanOptions = failed.scanOptions;
    full.scanOptions[kOptionFullScanFallback] = 0;
    context.scanners.push_back(std::move(made));
    full.Scan();
    return true;
}

}  // namespace tundrel
