#include "cli/scan_command.h"
#include "support/strings.h"

#include <unistd.h>

#include <CLI/CLI.hpp>
#include <charconv>
#include <ostream>

#include "cli/command_interrupts.h"
#include "cli/exit_codes.h"
#include "cli/progress_reporter.h"
#include "cli/terminal_prompt.h"
#include "modes/all_scanners.h"
#include "modes/scan_plan.h"
#include "support/text.h"

namespace tundrel::cli {
namespace {

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
