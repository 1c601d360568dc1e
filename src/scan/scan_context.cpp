#include "scan/scan_context.h"

#include "scan/volume_scanner.h"

namespace tundrel {

ScanContext::ScanContext(ScanEnvironment& env, const ScanTask& task)
    : source(env.opener ? env.opener : platform::DeviceOpener(platform::OpenDevice)),
      volume(task.volume), options(task.options), parameters(task.parameters), mode(task.mode), environment(env) {
    source.SetReconnectHandling({env.reconnectPrompt, &env.settings.promptReconnect});
}

ScanContext::~ScanContext() = default;

VolumeScanner* CreateScannerFor(ScanContext& context) {
    // Types without a scanner of their own fall to the full scan, which serves RAW.
    const ScannerTable table = context.environment.scanners;
    const std::uint32_t type = context.volume.fsType;
    const bool known = type >= 1 && type <= 4;
    const ScannerEntry* entry = FindScanner(table, known ? type : 0);
    if (entry == nullptr) {
        context.state = ContextState::NoScanner;
        return nullptr;
    }
    std::unique_ptr<VolumeScanner> made = entry->make(context, known ? type : 0);
    if (!made) {
        context.state = ContextState::NoScanner;
        return nullptr;
    }
    VolumeScanner& scanner = *made;
    context.scanners.push_back(std::move(made));
    scanner.volumeStart = context.volume.startSector;
    scanner.volumeSectors = context.volume.sectorCount;
    if (context.volume.bootValid) {
        scanner.bootSector = context.volume.bootSector;
        scanner.bootLoaded = true;
        scanner.OnBootSectorLoaded();
    }
    scanner.scanOptions = context.options;
    scanner.Scan();
    context.state = ContextState::Scanned;
    return &scanner;
}

}  // namespace tundrel
