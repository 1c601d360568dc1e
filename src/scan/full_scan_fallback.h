#pragma once
// A volume scanner that cannot use its volume's boot record hands the volume to the full scan,
// which the scanner table serves under RAW. Lower layers reach the full scan only this way.

#include <cstdint>

namespace tundrel {

class ScanContext;
class VolumeScanner;

enum class FallbackRule {
    AnyTaskCount,  // NTFS: whatever the number of tasks in the run
    LoneTask,      // FAT and exFAT: only when the run has exactly one task
};

// In the full-scan mode, when the scanner's option word kOptionFullScanFallback is 1, the
// source is not a mounted volume and the scan was not stopped (and, by `rule`, the run has
// one task): makes the full scanner over the same sectors, appends it to the context's
// scanners and runs it. True when it did. The full scanner and every scanner it builds carry
// the word 0, so no fallback ever leads to another.
bool FallBackToFullScan(const VolumeScanner& failed, ScanContext& context, FallbackRule rule);

}  // namespace tundrel
