#pragma once
// The commands of `tundrel`, each a function of its parsed options.

#include <iosfwd>
#include <string>

#include "cli/scan_session.h"

namespace tundrel::cli {

struct InfoOptions {
    std::string source;
    bool json = false;
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

int RunInfo(const InfoOptions& options, std::ostream& out, std::ostream& err);
int RunScan(const ScanCommandOptions& options, std::ostream& out, std::ostream& err);
int RunList(const ListOptions& options, std::ostream& out, std::ostream& err);
int RunCat(const CatOptions& options, std::ostream& out, std::ostream& err);

}  // namespace tundrel::cli
