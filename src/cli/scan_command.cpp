#include "cli/scan_command.h"
#include "support/strings.h"

#include <unistd.h>

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cctype>
#include <charconv>
#include <functional>
#include <optional>
#include <ostream>
#include <variant>

#include "cli/command_interrupts.h"
#include "cli/exit_codes.h"
#include "cli/progress_reporter.h"
#include "cli/search_progress.h"
#include "cli/terminal_prompt.h"
#include "modes/all_scanners.h"
#include "platform/ansi_code_page.h"
#include "modes/full_scan_sweep.h"
#include "modes/scan_plan.h"
#include "scan/result_file.h"
#include "scan/volume_scanner.h"
#include "support/text.h"

namespace tundrel::cli {
namespace {

using CarveSwitches = decltype(Settings::carveTypes);

struct ModeWord {
    std::string_view word;
    std::uint32_t mode;
    bool lostPartitions = false;
};
constexpr ModeWord kModes[] = {
    {"deleted", kModeDeletedFiles},
    {"formatted", kModeFormattedVolume},
    {"full", kModeFullScan},
    {"partition", kModeFullScan, true},  // the volumes the lost-partition search finds
};

std::optional<std::uint32_t> ParseSector(const std::string& text) {
    std::uint32_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end != text.data() + text.size()) return std::nullopt;
    return value;
}

std::string AsciiLower(std::string_view text) {
    std::string lower(text);
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return lower;
}

// The first word of a comma-separated list that `take` refuses (given the word lower-cased);
// nothing when it takes them all.
std::optional<std::string> FirstRefusedWord(std::string_view list, const std::function<bool(const std::string&)>& take) {
    for (std::size_t from = 0; from <= list.size();) {
        const std::size_t comma = std::min(list.find(',', from), list.size());
        const std::string_view word = list.substr(from, comma - from);
        from = comma + 1;
        if (!take(AsciiLower(word))) return std::string(word);
    }
    return std::nullopt;
}

// The switches a --types list turns on: type names of the table in any case, "all" or "none";
// the first word that is none of these when there is one.
std::variant<CarveSwitches, std::string> ParseCarveTypes(std::string_view list) {
    CarveSwitches on{};
    const auto refused = FirstRefusedWord(list, [&on](const std::string& name) {
        if (name == "all") {
            on.fill(true);
            return true;
        }
        if (name == "none") return true;
        const auto type = std::ranges::find(kCarveTypes, name, [](const CarveTypeInfo& info) { return AsciiLower(info.typeName); });
        if (type == kCarveTypes.end()) return false;
        on[static_cast<std::size_t>(type - kCarveTypes.begin())] = true;
        return true;
    });
    if (refused) return *refused;
    return on;
}

// FIRST-LAST, both 32-bit sector numbers, FIRST not after LAST.
std::optional<SectorRange> ParseRange(const std::string& text) {
    const std::size_t dash = text.find('-');
    if (dash == std::string::npos) return std::nullopt;
    const auto first = ParseSector(text.substr(0, dash));
    const auto last = ParseSector(text.substr(dash + 1));
    if (!first || !last || *first > *last) return std::nullopt;
    return SectorRange{*first, *last};
}

// The file systems a --fs list selects: fat, ntfs and exfat in any case, "all" or "none"; the
// first word that is none of these when there is one.
std::variant<SweepSelection, std::string> ParseFileSystems(std::string_view list) {
    SweepSelection on{false, false, false};
    const auto refused = FirstRefusedWord(list, [&on](const std::string& name) {
        if (name == "all") {
            on = {};
        } else if (name == "fat") {
            on.fat = true;
        } else if (name == "ntfs") {
            on.ntfs = true;
        } else if (name == "exfat") {
            on.exfat = true;
        } else {
            return name == "none";
        }
        return true;
    });
    if (refused) return *refused;
    return on;
}

std::string CarveTypeNames() {
    std::string names;
    for (const CarveTypeInfo& info : kCarveTypes) names += (names.empty() ? "" : ", ") + AsciiLower(info.typeName);
    return names;
}

int Refuse(std::ostream& err, int code, const std::string& error) {
    err << "tundrel: " << error << '\n';
    return code;
}

class WarningOnStderr final : public ResultSaveNotice {
public:
    explicit WarningOnStderr(std::ostream& err) : err_(err) {}
    void Warn(const std::string& text) override { err_ << "tundrel: " << text << '\n'; }

private:
    std::ostream& err_;
};

// Opens the saved result that options.source is, in place of a scan.
int OpenSavedResult(ScanSession& session, const ScanCommandOptions& options, std::ostream& err) {
    std::string given;
    const auto note = [&given](bool present, const char* option) {
        if (present) given += (given.empty() ? "" : ", ") + std::string(option);
    };
    note(options.mode.has_value(), "--mode");
    note(options.volume.has_value(), "--volume");
    note(options.range.has_value(), "--range");
    note(options.fileSystems.has_value(), "--fs");
    note(options.types.has_value(), "--types");
    note(options.carveFree, "--carve-free");
    note(options.keepListedFinds, "--keep-listed");
    if (!given.empty()) {
        return Refuse(err, kExitUsage, Formatted(StringId::ResultFileTakesNoScanOptions, options.source.c_str(), given.c_str()));
    }
    // The prompt outlives the command: the sources may be read again long after the open.
    static TerminalReconnectPrompt prompt;
    ScanEnvironment environment{session.settings, session.progress, AllScanners(), &prompt};
    const OpenedResults opened = OpenScanResults(options.source, environment, session.contexts, !options.force);
    switch (opened.status) {
        case ResultOpenStatus::Opened:
            break;
        case ResultOpenStatus::FormatError:
            return Refuse(err, kExitSourceError, options.source + ": " + std::string(Text(StringId::FileFormatError)));
        case ResultOpenStatus::SourceNotOpened:
            err << "tundrel: " << Text(StringId::InformationCaption) << ": "
                << Formatted(StringId::CannotOpenSource, ToUtf8(opened.label).c_str()) << '\n';
            return Refuse(err, kExitSourceError, std::string(Text(StringId::ResultFileForceHint)));
        case ResultOpenStatus::UnknownScannerType:
            err << "tundrel: " << Formatted(StringId::ResultFileStoppedAtType, opened.unknownScannerType) << '\n';
            break;
    }
    for (const VolumeScanner* scanner : session.Scanners()) {
        for (const ScanNode& root : scanner->roots.roots) {
            if (!root.children.empty()) session.summary.nothingFound = false;
        }
    }
    return kExitSuccess;
}

}  // namespace

void AddScanOptions(CLI::App& command, ScanCommandOptions& options, const char* jsonHelp) {
    command.add_option("SOURCE", options.source, "disk (HD0, HD1, ...), partition (sdb1, /dev/sdb1), image file, or a saved scan result (.kvf)")
        ->required();
    std::vector<std::string> modes;
    for (const ModeWord& mode : kModes) modes.emplace_back(mode.word);
    command.add_flag("--force", options.force,
                     "open a saved result (.kvf) without comparing its source's model, serial number and size");
    command.add_option("--mode", options.mode, "deleted (default), formatted, full, or partition: the partitions a search of the whole disk finds "
                       "(--volume START: the one found there)")->check(CLI::IsMember(modes));
    command.add_option("--volume", options.volume, "start sector of the volume to scan, or 'all'");
    command.add_option("--range", options.range,
                       "FIRST-LAST: scan only these 512-byte sectors, both included (full and formatted modes)");
    command.add_flag("--free-area", options.freeArea,
                     "with --mode formatted on a partition or loop device: sweep only its free clusters, "
                     "for a volume that received new files after it was formatted");
    command.add_option("--fs", options.fileSystems,
                       "file systems the full scan rebuilds, comma-separated: fat,ntfs,exfat (default), or 'none'");
    command.add_option("--types", options.types,
                       "file types to find by content, comma-separated (jpg,png,...), 'all' or 'none'");
    command.add_flag("--carve-free", options.carveFree, "also look for files by content in the free space");
    command.add_flag("--keep-listed", options.keepListedFinds,
                     "keep the files found by content that the scan lists already (by default they are dropped)");
    command.add_option("--code-page", options.codePage,
                       "code page of FAT short names and of 8-bit texts in previews: CP932 (default), windows-1252, "
                       "CP437, CP936, ... (any ICU converter name)");
    if (jsonHelp != nullptr) command.add_flag("--json", options.json, jsonHelp);
    command.add_flag("-q,--quiet", options.quiet, "no progress display");
}

int RunScanCommand(ScanSession& session, const ScanCommandOptions& options, std::ostream& err) {
    if (options.codePage) {
        if (!AnsiCodePage::Known(*options.codePage)) {
            return Refuse(err, kExitUsage, "--code-page takes a code page ICU knows (CP932, windows-1252, CP437, ...), not '" +
                                               *options.codePage + "'");
        }
        session.settings.ansiCodePage = *options.codePage;
    }
    // A saved result is known by its content, before the source-name rules: "r.kvf" needs no "./".
    if (IsSavedResultFile(options.source)) return OpenSavedResult(session, options, err);
    if (options.force) return Refuse(err, kExitUsage, "--force takes a saved scan result (.kvf) as SOURCE");
    const std::string modeWord = options.mode.value_or("deleted");
    const ModeWord* mode = nullptr;
    for (const ModeWord& candidate : kModes) {
        if (candidate.word == modeWord) mode = &candidate;
    }
    if (mode == nullptr) return Refuse(err, kExitUsage, "unknown mode '" + modeWord + "' (deleted, formatted, full, partition)");
    ScanRequest request{options.source, mode->mode, std::nullopt, std::nullopt};
    request.lostPartitions = mode->lostPartitions;
    if (options.range) {
        if (mode->mode == kModeDeletedFiles) return Refuse(err, kExitUsage, "--range takes --mode full or formatted");
        request.range = ParseRange(*options.range);
        if (!request.range) {
            return Refuse(err, kExitUsage,
                          "--range takes FIRST-LAST, two sector numbers below 2^32 with FIRST not after LAST, not '" +
                              *options.range + "'");
        }
    }
    // The free-area scan is the formatted scan of one whole volume: the plan checks that the
    // source is a volume, once it is open.
    if (options.freeArea) {
        if (mode->mode != kModeFormattedVolume) return Refuse(err, kExitUsage, "--free-area takes --mode formatted");
        if (options.range || options.volume) {
            return Refuse(err, kExitUsage, "--free-area sweeps the whole volume and takes neither --range nor --volume");
        }
        request.freeArea = true;
    }
    if (options.fileSystems) {
        const auto selected = ParseFileSystems(*options.fileSystems);
        if (const auto* unknown = std::get_if<std::string>(&selected)) {
            return Refuse(err, kExitUsage, "--fs takes fat, ntfs, exfat, 'all' or 'none', not '" + *unknown + "'");
        }
        const SweepSelection on = std::get<SweepSelection>(selected);
        session.settings.fullScanFat = on.fat;
        session.settings.fullScanNtfs = on.ntfs;
        session.settings.fullScanExFat = on.exfat;
    }
    if (options.volume && *options.volume != "all") {
        request.volumeStart = ParseSector(*options.volume);
        if (!request.volumeStart) {
            return Refuse(err, kExitUsage, "--volume takes a start sector or 'all', not '" + *options.volume + "'");
        }
    }

    if (options.types) {
        const auto types = ParseCarveTypes(*options.types);
        if (const auto* unknown = std::get_if<std::string>(&types)) {
            return Refuse(err, kExitUsage, Formatted(StringId::UnknownCarveType, unknown->c_str(), CarveTypeNames().c_str()));
        }
        session.settings.carveTypes = std::get<CarveSwitches>(types);
    }
    session.settings.carveInDeletedMode = options.carveFree;
    session.settings.dropListedFinds = !options.keepListedFinds;
    // The full scan needs something to look for; the terminal asks nothing, so this is said
    // before the source is read.
    const bool sweeps = mode->mode == kModeFullScan || request.range.has_value() || request.freeArea;
    const Settings& chosen = session.settings;
    if (sweeps && !chosen.fullScanFat && !chosen.fullScanNtfs && !chosen.fullScanExFat &&
        std::ranges::none_of(chosen.carveTypes, [](bool on) { return on; })) {
        return Refuse(err, kExitUsage, std::string(Text(StringId::NothingSelectedForFullScan)));
    }

    // The lost-partition search before the scan reads the whole disk: it shows its own
    // progress, and Ctrl-C ends the command there.
    const bool draw = !options.quiet && isatty(STDERR_FILENO);
    ScanPlan plan;
    if (request.lostPartitions) {
        ScanProgress searchProgress;
        SearchProgress report(searchProgress);
        request.searchStop = &searchProgress.stopRequested;
        request.searchReport = &report;
        RunWithProgress(searchProgress, draw, err, [&] { plan = PlanScanTasks(request, AllFileSystems(), AllScanners()); });
        if (searchProgress.stopRequested.load() != 0 || CommandInterrupts::Interrupted()) {
            err << "tundrel: " << Text(StringId::PartitionSearchStopped) << '\n';
            return kExitStopped;
        }
    } else {
        plan = PlanScanTasks(request, AllFileSystems(), AllScanners());
    }
    for (const std::string& note : plan.notes) err << "tundrel: " << Formatted(StringId::NoteLine, note.c_str()) << '\n';
    switch (plan.refusal) {
        case PlanRefusal::None: break;
        case PlanRefusal::SourceUnreadable: return Refuse(err, kExitSourceError, plan.error);
        case PlanRefusal::NothingToScan: return Refuse(err, kExitCannotScan, plan.error);
        case PlanRefusal::NotAVolume: return Refuse(err, kExitUsage, plan.error);
    }

    // The prompt outlives the command: the sources are read again by the commands after the scan.
    static TerminalReconnectPrompt prompt;
    RunWithProgress(session.progress, draw, err, [&] { session.Run(plan.tasks, &prompt); });

    for (const auto& context : session.contexts) {
        for (const std::string& note : context->notes) err << "tundrel: " << Formatted(StringId::NoteLine, note.c_str()) << '\n';
    }
    for (const auto& context : session.contexts) {
        if (context->state == ContextState::SourceNotOpened) {
            return Refuse(err, kExitSourceError, Formatted(StringId::CannotOpenSource, ToUtf8(context->source.name).c_str()));
        }
    }
    if (session.summary.stopped || CommandInterrupts::Interrupted()) {
        err << "tundrel: " << Text(StringId::ScanStoppedShowingFound) << '\n';
        return kExitStopped;
    }
    return kExitSuccess;
}

int SaveScanCommandResults(const ScanSession& session, const ScanCommandOptions& options, std::ostream& err) {
    if (!options.save) return kExitSuccess;
    WarningOnStderr notice(err);
    // The mode the tasks ran in, also for a saved result saved again.
    const std::uint32_t mode = session.contexts.empty() ? kResultDeletedFiles : ResultModeOf(session.contexts.front()->mode);
    switch (SaveScanResults(*options.save, session.contexts, mode, &notice)) {
        case ResultSaveError::None: return kExitSuccess;
        case ResultSaveError::NoResults: return Refuse(err, kExitCannotScan, std::string(Text(StringId::ResultFileNoResults)));
        case ResultSaveError::NotWritten: break;
    }
    return Refuse(err, kExitExportIncomplete, Formatted(StringId::ResultFileNotWritten, options.save->c_str()));
}

int ScanForFile(ScanSession& session, const ScanCommandOptions& options, const std::string& address,
                std::ostream& err, FoundNode& found) {
    const auto parsed = ParseNodeAddress(address);
    if (!parsed) {
        err << "tundrel: " << Formatted(StringId::NotANodeAddress, address.c_str()) << '\n';
        return kExitUsage;
    }
    ScanCommandOptions quiet = options;
    quiet.quiet = true;
    const int status = RunScanCommand(session, quiet, err);
    if (status != kExitSuccess) return status;
    const auto node = FindNode(session, *parsed, err);
    if (!node) {
        err << "tundrel: " << Formatted(StringId::NoNodeAt, address.c_str()) << '\n';
        return kExitCannotScan;
    }
    if (node->node->IsDirectory()) {
        err << "tundrel: " << Formatted(StringId::NodeIsFolder, address.c_str()) << '\n';
        return kExitUsage;
    }
    found = *node;
    return kExitSuccess;
}

}  // namespace tundrel::cli
