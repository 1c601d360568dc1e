#include "cli/cli_app.h"

#include <CLI/CLI.hpp>
#include <ostream>

#include "cli/command_interrupts.h"
#include "cli/commands.h"
#include "cli/exit_codes.h"
#include "support/language.h"
#include "support/strings.h"

namespace tundrel::cli {

namespace {

constexpr const char* kNodesAsJson = "print JSON Lines, one object per node";

}  // namespace

int Run(int argc, char** argv, std::ostream& out, std::ostream& err) {
    CLI::App app{"Tundrel Recovery: finds deleted and lost files on disks, partitions and disk images.\n"
                 "Exit status: 0 success, 1 usage error, 2 source cannot be opened, 3 stopped by the user,\n"
                 "4 nothing to scan (no scanner for the file system, node not found or unreadable),\n"
                 "5 export refused by the destination checks, files that could not be recovered, or a --save file not written."};
    app.name("tundrel");
    app.set_version_flag("--version", std::string("tundrel ") + TUNDREL_VERSION);
    app.require_subcommand(1);
    app.fallthrough();  // --lang may stand after the command's name too
    std::string language;
    app.add_option("--lang", language, "language of the messages and of the folder names made: ja or en "
                                       "(default: from LC_ALL, LC_MESSAGES or LANG)")
        ->check(CLI::IsMember({"ja", "en"}));

    InfoOptions info;
    auto* infoCommand = app.add_subcommand("info", "show the facts of a source: size, sector size, model, serial");
    infoCommand->add_option("SOURCE", info.source, "disk (HD0, HD1, ...), partition (sdb1, /dev/sdb1) or image file")
        ->required();
    infoCommand->add_flag("--json", info.json, "print one JSON object");

    PartitionsOptions partitions;
    auto* partitionsCommand =
        app.add_subcommand("partitions", "list the NTFS, FAT and exFAT volumes of a source and where they are mounted");
    partitionsCommand->add_option("SOURCE", partitions.source, "disk (HD0, HD1, ...), partition or image file")
        ->required();
    partitionsCommand->add_flag("--json", partitions.json, "print JSON Lines, one object per volume");
    partitionsCommand->add_flag("--search", partitions.search,
                                "also search the whole disk for lost partitions: they are listed first, "
                                "the whole disk last; Ctrl-C stops the search and lists what was found");

    ScanCommandOptions scan;
    auto* scanCommand = app.add_subcommand("scan", "scan a source and print what was found");
    AddScanOptions(*scanCommand, scan, kNodesAsJson);
    scanCommand->add_option("--save", scan.save,
                            "save the results to this file (.kvf); ls, cat, preview and export open it in place of the source");

    ListOptions list;
    auto* listCommand = app.add_subcommand("ls", "scan a source, then list a folder of the results");
    AddScanOptions(*listCommand, list.scan, kNodesAsJson);
    listCommand->add_option("PATH", list.path, "node address [V:]ROOT/PATH; without it, the root folders");
    listCommand->add_flag("-r,--recursive", list.recursive, "list everything below the folder");

    CatOptions cat;
    auto* catCommand = app.add_subcommand("cat", "scan a source, then write one found file's data to stdout");
    AddScanOptions(*catCommand, cat.scan, nullptr);  // cat prints data, never JSON
    catCommand->add_option("PATH", cat.path, "node address [V:]ROOT/PATH of a file")->required();

    PreviewCommandOptions preview;
    auto* previewCommand =
        app.add_subcommand("preview", "scan a source, then show one found file as the preview pane would");
    AddScanOptions(*previewCommand, preview.scan, nullptr);
    previewCommand->add_option("PATH", preview.path, "node address [V:]ROOT/PATH of a file")->required();
    previewCommand->add_flag("--hex", preview.hex, "show the hex view whatever the file's type");
    previewCommand->add_option("--limit", preview.limit, "bytes the hex view shows (default 65536)")
        ->check(CLI::PositiveNumber);

    SourcesOptions sources;
    auto* sourcesCommand = app.add_subcommand("list", "list the disks, volumes and mounted volumes, and the export destinations");
    sourcesCommand->add_option("IMAGE", sources.images, "image files to list as sources too");
    sourcesCommand->add_flag("--json", sources.json, "print one JSON object");

    ExportOptions exporting;
    auto* exportCommand = app.add_subcommand("export", "scan a source, then recover files into a folder");
    AddScanOptions(*exportCommand, exporting.scan,
                   "print the log as JSON Lines, one object per entry; the other lines go to stderr");
    exportCommand->add_option("--to", exporting.destination, "destination folder, on another disk than the source")
        ->required();
    exportCommand->add_option("ADDRESS", exporting.addresses,
                              "node addresses [V:]ROOT/PATH to export; default: the deleted, lost, scanned and typed files");
    exportCommand->add_flag("--all", exporting.all, "export every root folder but the recently deleted copies");
    exportCommand->add_option("--on-collision", exporting.onCollision, "ask (default), overwrite, rename, skip or stop")
        ->check(CLI::IsMember({"ask", "overwrite", "rename", "skip", "stop"}));
    exportCommand->add_flag("-y,--yes", exporting.yes, "accept the destination questions when there is no terminal");
    auto* logOption = exportCommand->add_option("--log", exporting.logFile, "write the per-file log to this file");
    exportCommand->add_option("--log-format", exporting.logFormat, "jsonl (default), tsv or text: the log file's form")
        ->check(CLI::IsMember({"jsonl", "tsv", "text"}))
        ->needs(logOption);

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        const int code = app.exit(error, out, err);
        return code == 0 ? kExitSuccess : kExitUsage;
    }
    SetWording(Wording::CommandLine);
    SetLanguage(language.empty() ? LanguageOfEnvironment() : *LanguageNamed(language));
    const CommandInterrupts interrupts;
    if (*infoCommand) return RunInfo(info, out, err);
    if (*partitionsCommand) return RunPartitions(partitions, out, err);
    if (*scanCommand) return RunScan(scan, out, err);
    if (*listCommand) return RunList(list, out, err);
    if (*sourcesCommand) return RunSources(sources, out, err);
    if (*exportCommand) return RunExport(exporting, out, err);
    if (*previewCommand) return RunPreview(preview, out, err);
    return RunCat(cat, out, err);
}

}  // namespace tundrel::cli
