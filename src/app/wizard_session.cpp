#include "app/wizard_session.h"

#include "scan/volume_scanner.h"

namespace tundrel::app {

WizardSession::WizardSession() : scan(std::make_unique<ScanSession>()) {}

bool WizardSession::HasResults() const {
    for (const VolumeScanner* scanner : scan->Scanners()) {
        for (const ScanNode& root : scanner->roots.roots) {
            if (!root.children.empty()) return true;
        }
    }
    return false;
}

ScanSession& WizardSession::BeginRun() {
    scan = std::make_unique<ScanSession>();
    CopySettings(settings, scan->settings);
    return *scan;
}

void WizardSession::DiscardResults() { scan = std::make_unique<ScanSession>(); }

void CopySettings(const Settings& from, Settings& to) {
    to.markRecoverable = from.markRecoverable;
    to.showMetafiles = from.showMetafiles;
    to.fullScanFat = from.fullScanFat;
    to.fullScanNtfs = from.fullScanNtfs;
    to.fullScanExFat = from.fullScanExFat;
    to.carveInDeletedMode = from.carveInDeletedMode;
    to.promptReconnect = from.promptReconnect.load();
    to.carveTypes = from.carveTypes;
    to.ansiCodePage = from.ansiCodePage;
}

}  // namespace tundrel::app
