#include "support/settings.h"

namespace tundrel {

Settings::Settings() {
    for (std::size_t i = 0; i < kCarveTypes.size(); ++i) carveTypes[i] = kCarveTypes[i].defaultOn;
}

Settings& Settings::operator=(const Settings& other) {
    if (this == &other) return *this;
    markRecoverable = other.markRecoverable;
    showMetafiles = other.showMetafiles;
    fullScanFat = other.fullScanFat;
    fullScanNtfs = other.fullScanNtfs;
    fullScanExFat = other.fullScanExFat;
    carveInDeletedMode = other.carveInDeletedMode;
    dropListedFinds = other.dropListedFinds;
    promptReconnect = other.promptReconnect.load();
    carveTypes = other.carveTypes;
    ansiCodePage = other.ansiCodePage;
    return *this;
}

}  // namespace tundrel
