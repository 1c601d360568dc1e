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
    scan->settings = settings;
    return *scan;
}

void WizardSession::DiscardResults() { scan = std::make_unique<ScanSession>(); }

}  // namespace tundrel::app
