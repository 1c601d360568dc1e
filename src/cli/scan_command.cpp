#include "cli/scan_command.h"
#include "support/strings.h"

#include <unistd.h>

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cctype>
#include <charconv>
#include <ostream>
#include <variant>

#include "cli/command_interrupts.h"
#include "cli/exit_codes.h"
#include "cli/progress_reporter.h"
#include "cli/terminal_prompt.h"
#include "modes/all_scanners.h"
#include "modes/scan_plan.h"
#include "support/text.h"

namespace tundrel::cli {
namespace {

using CarveSwitches = decltype(Settings::carveTypes);

struct ModeWord {
    std::string_view word;
    std::uint32_t mode;
};
// The lost-partition search and the full scan are offered once they are built.
constexpr ModeWord kModes[] = {
    {"deleted", kModeDeletedFiles},
    {"formatted", kModeFormattedVolume},
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

// The switches a --types list turns on: type names of the table in any case, "all" or "none";
// the first word that is none of these when there is one.
std::variant<CarveSwitches, std::string> ParseCarveTypes(std::string_view list) {
    CarveSwitches on{};
    for (std::size_t from = 0; from <= list.size();) {
        const std::size_t comma = std::min(list.find(',', from), list.size());
        const std::string_view word = list.substr(from, comma - from);
        from = comma + 1;
        const std::string name = AsciiLower(word);
        if (name == "all") {
            on.fill(true);
            continue;
        }
        if (name == "none") continue;
        const auto type = std::ranges::find(kCarveTypes, name, [](const CarveTypeInfo& info) { return AsciiLower(info.typeName); });
        if (type == kCarveTypes.end()) return std::string(word);
        on[static_cast<std::size_t>(type - kCarveTypes.begin())] = true;
    }
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

}  // namespace

void AddScanOptions(CLI::App& command, ScanCommandOptions& options, const char* jsonHelp) {
    command.add_option("SOURCE", options.source, "disk (HD0, HD1, ...), partition (sdb1, /dev/sdb1) or image file")
        ->required();
    std::vector<std::string> modes;
    for (const ModeWord& mode : kModes) modes.emplace_back(mode.word);
    command.add_option("--mode", options.mode, "deleted (default) or formatted")->check(CLI::IsMember(modes));
    command.add_option("--volume", options.volume, "start sector of the volume to scan, or 'all'");
    command.add_option("--types", options.types,
                       "file types to find by content, comma-separated (jpg,png,...), 'all' or 'none'");
    command.add_flag("--carve-free", options.carveFree, "also look for files by content in the free space");
    if (jsonHelp != nullptr) command.add_flag("--json", options.json, jsonHelp);
    command.add_flag("-q,--quiet", options.quiet, "no progress display");
}

int RunScanCommand(ScanSession& session, const ScanCommandOptions& options, std::ostream& err) {
    const ModeWord* mode = nullptr;
    for (const ModeWord& candidate : kModes) {
        if (candidate.word == options.mode) mode = &candidate;
    }
    if (mode == nullptr) return Refuse(err, kExitUsage, "unknown mode '" + options.mode + "' (deleted, formatted)");
    ScanRequest request{options.source, mode->mode, std::nullopt};
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

    const ScanPlan plan = PlanScanTasks(request, AllFileSystems(), AllScanners());
    for (const std::string& note : plan.notes) err << "tundrel: " << Formatted(StringId::NoteLine, note.c_str()) << '\n';
    switch (plan.refusal) {
        case PlanRefusal::None: break;
        case PlanRefusal::SourceUnreadable: return Refuse(err, kExitSourceError, plan.error);
        case PlanRefusal::NothingToScan: return Refuse(err, kExitCannotScan, plan.error);
    }

    TerminalReconnectPrompt prompt;
    const bool draw = !options.quiet && isatty(STDERR_FILENO);
    RunWithProgress(session.progress, draw, err, [&] { session.Run(plan.tasks, &prompt); });

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

}  // namespace tundrel::cli
