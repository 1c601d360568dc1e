#pragma once
// One scan task in progress or done: its opened source and the scanners made for it.

#include <memory>
#include <string>
#include <vector>

#include "disk/sector_source.h"
#include "scan/scan_environment.h"
#include "scan/scan_task.h"

namespace tundrel {

class VolumeScanner;

enum class ContextState {
    Pending,
    SourceNotOpened,  // the source did not open; the run went on with the next task
    NoScanner,        // no scanner serves the volume's file-system type
    Scanned,
};

class ScanContext {
public:
    ScanContext(ScanEnvironment& environment, const ScanTask& task);
    ~ScanContext();
    ScanContext(const ScanContext&) = delete;
    ScanContext& operator=(const ScanContext&) = delete;

    SectorSource source;
    std::vector<std::unique_ptr<VolumeScanner>> scanners;
    SelectedVolume volume;
    ScanOptions options;
    TaskParameters parameters;
    std::uint32_t mode;
    ContextState state = ContextState::Pending;
    std::vector<std::string> notes;  // what the scan tells the user beside its results, one line each
    ScanEnvironment& environment;
};

// Makes the scanner for the context's volume, appends it to the context and runs its scan on
// the calling thread. The source must be open. Returns the scanner, or null (and sets
// ContextState::NoScanner) when no scanner serves the volume's type.
VolumeScanner* CreateScannerFor(ScanContext& context);

}  // namespace tundrel
