#include "cli/scan_session.h"

#include <unistd.h>

#include <CLI/CLI.hpp>
#include <ostream>

#include "cli/exit_codes.h"
#include "cli/progress_reporter.h"
#include "cli/task_builder.h"
#include "cli/terminal_prompt.h"
#include "modes/all_scanners.h"
#include "scan/node_expansion.h"
#include "scan/volume_scanner.h"
#include "support/text.h"

namespace tundrel::cli {

void AddScanOptions(CLI::App& command, ScanCommandOptions& options) {
    command.add_option("SOURCE", options.source, "disk (HD0, HD1, ...), partition (sdb1, /dev/sdb1) or image file")
        ->required();
    command.add_option("--mode", options.mode, "deleted (default), formatted, partition or full")
        ->check(CLI::IsMember({"deleted", "formatted", "partition", "full"}));
    command.add_option("--volume", options.volume, "start sector of the volume to scan, or 'all'");
    command.add_flag("--json", options.json, "print JSON Lines, one object per node");
    command.add_flag("-q,--quiet", options.quiet, "no progress display");
}

ScanSession::ScanSession() = default;
ScanSession::~ScanSession() = default;

int ScanSession::Run(const ScanCommandOptions& options, std::ostream& err) {
    const TaskPlan plan = BuildScanTasks(options, AllScanners());
    for (const std::string& note : plan.notes) err << "tundrel: note: " << note << '\n';
    if (plan.exitCode != kExitSuccess) {
        err << "tundrel: " << plan.error << '\n';
        return plan.exitCode;
    }
    TerminalReconnectPrompt prompt;
    ScanEnvironment environment{settings, progress, AllScanners(), &prompt};
    const bool draw = !options.quiet && isatty(STDERR_FILENO);
    RunWithProgress(progress, draw, err, [&] { summary = RunScanTasks(plan.tasks, environment, contexts, nullptr); });

    for (const auto& context : contexts) {
        if (context->state == ContextState::SourceNotOpened) {
            err << "tundrel: cannot open source '" << ToUtf8(context->source.name) << "'\n";
            return kExitSourceError;
        }
    }
    if (summary.stopped) {
        err << "tundrel: stopped by the user; what was found so far is shown\n";
        return kExitStopped;
    }
    return kExitSuccess;
}

std::vector<VolumeScanner*> ScanSession::Scanners() const {
    std::vector<VolumeScanner*> all;
    for (const auto& context : contexts) {
        for (const auto& scanner : context->scanners) all.push_back(scanner.get());
    }
    return all;
}

std::optional<FoundNode> ScanSession::Find(const NodeAddress& address) {
    const std::vector<VolumeScanner*> scanners = Scanners();
    if (address.volume >= scanners.size()) return std::nullopt;
    VolumeScanner& scanner = *scanners[address.volume];
    ScanNode* node = &scanner.roots[address.root];
    for (const AddressStep& step : address.steps) {
        EnsureChildren(scanner, *node);
        unsigned seen = 0;
        ScanNode* next = nullptr;
        for (ScanNode& child : node->children) {
            const std::u16string_view name = child.name != nullptr ? std::u16string_view(child.name) : u"";
            if (name == step.name && ++seen == step.ordinal) {
                next = &child;
                break;
            }
        }
        if (next == nullptr) return std::nullopt;
        node = next;
    }
    return FoundNode{&scanner, node};
}

}  // namespace tundrel::cli
