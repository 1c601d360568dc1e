#pragma once
// The options of one run of the program. Nothing is stored between runs.

#include <array>
#include <atomic>
#include <string>

#include "support/carve_types.h"

namespace tundrel {

struct Settings {
    Settings();
    // Copies every option, the reconnect switch as it stands at the moment.
    Settings(const Settings& other) { *this = other; }
    Settings& operator=(const Settings& other);

    bool markRecoverable = true;       // show files to recover with their mark
    bool showMetafiles = false;        // show the file systems' own metafiles
    bool fullScanFat = true;           // the full scan looks for FAT/FAT32 volumes
    bool fullScanNtfs = true;          // ... for NTFS volumes
    bool fullScanExFat = true;         // ... for exFAT volumes
    bool carveInDeletedMode = false;   // carve the remaining area after a deleted-file scan
    // A carved find that starts where a listed file of its type starts is that file found again
    // and is dropped; the check reads every listed file's first sector, so it may slow the scan.
    bool dropListedFinds = true;
    // Ask the user to reconnect a source that went away; the reconnect question itself can
    // switch it off from the reading thread, hence atomic.
    std::atomic<bool> promptReconnect{true};
    std::array<bool, kCarveTypes.size()> carveTypes{};  // switch per carving type, table order
    std::string ansiCodePage = "CP932";  // code page of FAT short names
};

}  // namespace tundrel
