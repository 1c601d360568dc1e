#pragma once
// What a scan run is given by the front end that starts it.

#include <span>

#include "disk/reconnect_prompt.h"
#include "platform/device.h"
#include "scan/scan_progress.h"
#include "scan/scanner_table.h"
#include "scan/selection_prompt.h"
#include "support/settings.h"

namespace tundrel {

struct ScanEnvironment {
    Settings& settings;
    ScanProgress& progress;
    ScannerTable scanners;                       // which scanner serves which file system
    ReconnectPrompt* reconnectPrompt = nullptr;  // null: a lost source is never asked for again
    SelectionPrompt* selectionPrompt = nullptr;  // null: a full scan with nothing selected ends at once
    platform::DeviceOpener opener = {};          // how the contexts open their sources; unset: the real ones
};

}  // namespace tundrel
