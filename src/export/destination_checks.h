#pragma once
// The checks a destination folder must pass before anything is exported to it.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "export/destination_placement.h"
#include "export/export_prompt.h"
#include "export/export_selection.h"
#include "platform/storage_chain.h"

namespace tundrel {

class VolumeScanner;

struct DestinationStorage {
    std::string folder;     // the folder the files go to, or the nearest one above it that exists
    std::string driveName;  // the mount point that holds it, for messages
    std::string fsType;     // as the mount table names it
    std::optional<std::uint64_t> freeBytes;
    platform::StorageChain chain;
};

struct DestinationCheckInput {
    DestinationStorage destination;
    std::vector<SourceStorage> sources;  // one per scanner with a selection
    SelectionTotals selection;
    bool sizesReady = true;  // false while a front end is still adding up the selection
};

// Asks the system about the folder: its mount, free space and the storage below it.
DestinationStorage ProbeDestination(const std::string& folder);
// The scanner's source and the area it scanned.
SourceStorage ProbeSource(const VolumeScanner& scanner);

// Where the destination lies, in order: the sizes are known; the destination is not on a
// scanned volume and not in a scanned area of the same disk (elsewhere on that disk only with
// the user's consent); it has room for the selection (or the user accepts that it has not);
// a FAT destination can hold every file (or the user goes on without the big ones). A
// destination still to be made is judged by the nearest folder above it that exists.
bool RunLocationChecks(const DestinationCheckInput& input, ExportPrompt& prompt);
// The last check, made in the destination itself once it exists: a file can be created in it.
bool RunWriteTest(const std::string& folder, ExportPrompt& prompt);
// Both, for a destination folder that exists. True when the export may start.
bool RunDestinationChecks(const DestinationCheckInput& input, ExportPrompt& prompt);

// Creates and removes a small file in the folder; false when that is not possible.
bool PassesWriteTest(const std::string& folder, std::uint32_t tick);

bool IsFatFileSystem(std::string_view fsType);

}  // namespace tundrel
