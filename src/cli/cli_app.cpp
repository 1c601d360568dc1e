#include "cli/cli_app.h"

#include <CLI/CLI.hpp>
#include <ostream>

#include "cli/commands.h"
#include "cli/exit_codes.h"

namespace tundrel::cli {

int Run(int argc, char** argv, std::ostream& out, std::ostream& err) {
    CLI::App app{"Tundrel Recovery: finds deleted and lost files on disks, partitions and disk images.\n"
                 "Exit status: 0 success, 1 usage error, 2 source cannot be opened, 3 stopped by the user,\n"
                 "4 nothing to scan (no scanner for the file system, node not found or unreadable)."};
    app.name("tundrel");
    app.require_subcommand(1);

    InfoOptions info;
    auto* infoCommand = app.add_subcommand("info", "show the facts of a source: size, sector size, model, serial");
    infoCommand->add_option("SOURCE", info.source, "disk (HD0, HD1, ...), partition (sdb1, /dev/sdb1) or image file")
        ->required();
    infoCommand->add_flag("--json", info.json, "print one JSON object");

    ScanCommandOptions scan;
    auto* scanCommand = app.add_subcommand("scan", "scan a source and print what was found");
    AddScanOptions(*scanCommand, scan);

    ListOptions list;
    auto* listCommand = app.add_subcommand("ls", "scan a source, then list a folder of the results");
    AddScanOptions(*listCommand, list.scan);
    listCommand->add_option("PATH", list.path, "node address [V:]ROOT/PATH; without it, the root folders");
    listCommand->add_flag("-r,--recursive", list.recursive, "list everything below the folder");

    CatOptions cat;
    auto* catCommand = app.add_subcommand("cat", "scan a source, then write one found file's data to stdout");
    AddScanOptions(*catCommand, cat.scan);
    catCommand->add_option("PATH", cat.path, "node address [V:]ROOT/PATH of a file")->required();

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        const int code = app.exit(error, out, err);
        return code == 0 ? kExitSuccess : kExitUsage;
    }
    if (*infoCommand) return RunInfo(info, out, err);
    if (*scanCommand) return RunScan(scan, out, err);
    if (*listCommand) return RunList(list, out, err);
    return RunCat(cat, out, err);
}

}  // namespace tundrel::cli
