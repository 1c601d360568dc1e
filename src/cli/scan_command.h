#pragma once
// The scan options every scanning command takes, and the scan it makes: the tasks chosen by
// the options, and the run with its progress display and stop on Ctrl-C.

#include <iosfwd>
#include <optional>
#include <string>

#include "cli/node_address.h"
#include "modes/scan_session.h"

namespace CLI {
class App;
}

namespace tundrel::cli {

struct ScanCommandOptions {
    std::string source;  // or a saved scan result, known by its content
    std::optional<std::string> mode;  // not given: deleted
    std::optional<std::string> volume;  // not given: the default choice; "all"; or a start sector
    bool json = false;
    bool quiet = false;
    std::optional<std::string> types;  // carving types, comma-separated; not given: the defaults
    bool carveFree = false;            // carve the free space after the deleted-file scan
    bool keepListedFinds = false;      // carved finds of files the scan lists are kept
    std::optional<std::string> range;  // FIRST-LAST, sectors of the full or formatted scan
    bool freeArea = false;             // the formatted scan sweeps a volume's free clusters
    std::optional<std::string> fileSystems;  // what the full scan looks for: fat,ntfs,exfat
    bool force = false;                      // open a saved result without comparing its source's identity
    std::optional<std::string> save;         // scan: the file the results are saved to
    std::optional<std::string> codePage;     // 8-bit names and texts: an ICU converter name
};

// Adds SOURCE, --mode, --volume, --range, --free-area, --fs, --types, --carve-free, --keep-listed, --force,
// --code-page and -q
// to a command, and --json, described by `jsonHelp`, to one that prints JSON (null: none).
void AddScanOptions(CLI::App& command, ScanCommandOptions& options, const char* jsonHelp);

// Builds the tasks and runs them, or opens the saved result that SOURCE is; returns an exit
// status (kExitSuccess when it scanned or opened, kExitStopped when the user stopped it, with
// what was found kept).
int RunScanCommand(ScanSession& session, const ScanCommandOptions& options, std::ostream& err);

// Scans quietly as the options say and finds the file at `address` (a node address) for the
// commands that read one file: kExitSuccess with `found` set, or the exit status, its reason
// written to `err`, when the address is malformed or names nothing or a folder.
// Saves the session's results to options.save (when given) and prints the warning that
// follows a save on `err`; an exit status.
int SaveScanCommandResults(const ScanSession& session, const ScanCommandOptions& options, std::ostream& err);

int ScanForFile(ScanSession& session, const ScanCommandOptions& options, const std::string& address,
                std::ostream& err, FoundNode& found);

}  // namespace tundrel::cli
