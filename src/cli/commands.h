#pragma once
// The commands of `tundrel`, each a function of its parsed options.

#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

#include "cli/scan_command.h"

namespace tundrel::cli {

struct InfoOptions {
    std::string source;
    bool json = false;
};

struct PartitionsOptions {
    std::string source;
    bool json = false;
    bool search = false;  // sweep the whole disk for partitions its table no longer lists
};

struct ListOptions {
    ScanCommandOptions scan;
    std::string path;  // node address; empty lists the root folders
    bool recursive = false;
};

struct CatOptions {
    ScanCommandOptions scan;
    std::string path;
};

struct PreviewCommandOptions {
    ScanCommandOptions scan;
    std::string path;
    bool hex = false;
    std::uint64_t limit = 64 * 1024;  // bytes the hex view shows
};

struct SourcesOptions {
    std::vector<std::string> images;  // image files to list as sources too
    bool json = false;
};

struct ExportOptions {
    ScanCommandOptions scan;
    std::string destination;
    std::vector<std::string> addresses;  // node addresses to export; none: the default roots
    bool all = false;                    // every root folder but the recently deleted copies
    std::string onCollision = "ask";     // ask, overwrite, rename, skip or stop
    bool yes = false;                    // accept the destination questions without a terminal
    std::string logFile;
    std::string logFormat;               // of the log file: jsonl (when empty), tsv or text
};

int RunInfo(const InfoOptions& options, std::ostream& out, std::ostream& err);
int RunPartitions(const PartitionsOptions& options, std::ostream& out, std::ostream& err);
int RunScan(const ScanCommandOptions& options, std::ostream& out, std::ostream& err);
int RunList(const ListOptions& options, std::ostream& out, std::ostream& err);
int RunCat(const CatOptions& options, std::ostream& out, std::ostream& err);
int RunPreview(const PreviewCommandOptions& options, std::ostream& out, std::ostream& err);
int RunSources(const SourcesOptions& options, std::ostream& out, std::ostream& err);
int RunExport(const ExportOptions& options, std::ostream& out, std::ostream& err);

}  // namespace tundrel::cli
