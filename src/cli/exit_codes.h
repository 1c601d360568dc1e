#pragma once

namespace tundrel::cli {

// The command line's exit statuses; scripts rely on them.
enum ExitCode : int {
    kExitSuccess = 0,
    kExitUsage = 1,        // bad arguments or options
    kExitSourceError = 2,  // the source cannot be opened
    kExitStopped = 3,      // stopped by the user (Ctrl-C)
    kExitCannotScan = 4,   // nothing to scan, no scanner for the file system, a node not found or unreadable
    kExitExportIncomplete = 5,  // the destination was refused, or some files could not be recovered
};

}  // namespace tundrel::cli
