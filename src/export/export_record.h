#pragma once
// What became of one exported file (or of a folder that could not be made or was renamed):
// the structured twin of the log's human texts, for logs that scripts read.

#include <cstdint>
#include <string>
#include <string_view>

#include "scan/scan_node.h"

namespace tundrel {

class VolumeScanner;

// One word per file. An error wins over everything; a skip is a collision answered "skip";
// a caution is data written but doubtful, or only partly read; a rename is a file written
// under another name than its own.
enum class ExportStatus { Written, Renamed, Error, Skipped, Caution };

// "written", "renamed", "error", "skipped", "caution".
std::string_view StatusWord(ExportStatus status);

struct ExportRecord {
    ExportStatus status = ExportStatus::Written;
    const VolumeScanner* scanner = nullptr;  // the scanner whose tree holds `node`
    const ScanNode* node = nullptr;
    std::string path;         // below the destination folder, "/"-separated, as written
    std::uint64_t bytes = 0;  // bytes written; for an error or a skip, the node's size
    std::string reason;       // for an error or a caution, in plain words; empty otherwise
};

}  // namespace tundrel
