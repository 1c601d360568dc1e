#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <fstream>
#include <iostream>
#include <mutex>
#include <nlohmann/json.hpp>
#include <thread>

#include "cli/command_interrupts.h"
#include "cli/commands.h"
#include "cli/exit_codes.h"
#include "cli/export_log_lines.h"
#include "cli/export_terminal_prompt.h"
#include "cli/terminal_line.h"
#include "export/destination_checks.h"
#include "export/destination_folder.h"
#include "export/export_selection.h"
#include "export/export_writer.h"
#include "modes/all_scanners.h"
#include "modes/volume_label.h"
#include "platform/read_error.h"
#include "scan/volume_scanner.h"
#include "support/display_format.h"
#include "support/strings.h"
#include "support/text.h"

namespace tundrel::cli {
namespace {

constexpr RootIndex kDefaultRoots[] = {RootIndex::Deleted, RootIndex::Lost, RootIndex::Scanned, RootIndex::Types};

std::optional<CollisionChoice> CollisionChoiceOf(const std::string& word) {
    if (word == "overwrite") return CollisionChoice::Overwrite;
    if (word == "rename") return CollisionChoice::Rename;
    if (word == "skip") return CollisionChoice::Skip;
    if (word == "stop") return CollisionChoice::Stop;
    return std::nullopt;
}

// Marks what the addresses name, or the default roots; false (with the reason on `err`)
// when an address names nothing.
bool SelectNodes(ScanSession& session, const ExportOptions& options, std::ostream& err) {
    if (!options.addresses.empty()) {
        for (const std::string& text : options.addresses) {
            const std::optional<NodeAddress> address = ParseNodeAddress(text);
            const std::optional<FoundNode> found = address ? FindNode(session, *address, err) : std::nullopt;
            if (!found) {
                err << "tundrel: " << Formatted(StringId::NoNodeAt, text.c_str()) << '\n';
                return false;
            }
            CheckSubtree(*found->scanner, *found->node);
        }
        return true;
    }
    for (VolumeScanner* scanner : session.Scanners()) {
        for (std::size_t index = 0; index < kRootCount; ++index) {
            const auto root = static_cast<RootIndex>(index);
            const bool wanted = options.all ? root != RootIndex::Recent
                                            : std::find(std::begin(kDefaultRoots), std::end(kDefaultRoots), root) !=
                                                  std::end(kDefaultRoots);
            if (wanted && !scanner->roots[root].children.empty()) CheckSubtree(*scanner, scanner->roots[root]);
        }
    }
    return true;
}

// Runs the writer on a worker thread; the calling thread draws the progress on a terminal.
ExportOutcome RunWriter(ExportWriter& writer, const ExportRequest& request, ExportCounters& counters,
                        TerminalExportPrompt& prompt, bool draw, std::ostream& err) {
    StopOnInterrupt interrupt(counters);
    ExportOutcome outcome;
    std::mutex lock;
    std::condition_variable finished;
    bool done = false;
    std::thread worker([&] {
        outcome = writer.Run(request);
        std::lock_guard guard(lock);
        done = true;
        finished.notify_one();
    });
    std::unique_lock guard(lock);
    while (!finished.wait_for(guard, std::chrono::milliseconds(200), [&] { return done; })) {
        if (!draw) continue;
        std::unique_lock terminal(prompt.TerminalLock(), std::try_to_lock);
        if (!terminal) continue;
        const std::string speed = ExportSpeedText(counters.filesWritten, counters.allDone, counters.ElapsedMilliseconds());
        err << "\r\x1b[K" << FitParts({counters.StatusText(), speed}, {1, 0}, TerminalWidth(STDERR_FILENO) - 1)
            << std::flush;
    }
    guard.unlock();
    worker.join();
    if (draw) err << "\r\x1b[K" << std::flush;
    return outcome;
}

}  // namespace

int RunExport(const ExportOptions& options, std::ostream& out, std::ostream& err) {
    for (const std::string& text : options.addresses) {
        if (!ParseNodeAddress(text)) {
            err << "tundrel: " << Formatted(StringId::NotANodeAddress, text.c_str()) << '\n';
            return kExitUsage;
        }
    }
    ScanSession session;
    const int status = RunScanCommand(session, options.scan, err);
    if (status != kExitSuccess) return status;
    if (!SelectNodes(session, options, err)) return kExitCannotScan;

    ExportRequest request;
    DestinationCheckInput checks;
    for (VolumeScanner* scanner : session.Scanners()) {
        request.volumes.push_back({scanner, VolumeLabelOf(*scanner)});
        if (!HasSelection(scanner->roots)) continue;
        for (const ScanNode& root : scanner->roots.roots) AddSelection(*scanner, root, checks.selection);
        checks.sources.push_back(ProbeSource(*scanner));
    }
    if (checks.sources.empty()) {
        (options.scan.json ? err : out) << Text(StringId::NothingToExport) << '\n';
        return kExitSuccess;
    }

    const bool interactive = isatty(STDIN_FILENO) != 0;
    TerminalExportPrompt prompt({interactive, options.yes}, std::cin, err);
    std::error_code ec;
    const std::optional<DestinationFolder> destination = LocateDestination(options.destination, ec);
    if (!destination) {
        err << "tundrel: "
            << Formatted(StringId::DestinationUnusable, options.destination.c_str(), platform::ErrorText(ec.value()).c_str())
            << '\n';
        return kExitExportIncomplete;
    }
    if (!destination->existingIsFolder) {
        prompt.Tell(StringId::DestinationNotAFolder,
                    Formatted(StringId::DestinationNotAFolder, destination->existing.c_str()));
        return kExitExportIncomplete;
    }
    checks.destination = ProbeDestination(destination->existing);
    // A Ctrl-C while a question waits for its answer refuses it: that is a stop, not a refusal.
    const auto refused = [] { return CommandInterrupts::Interrupted() ? kExitStopped : kExitExportIncomplete; };
    if (!RunLocationChecks(checks, prompt)) return refused();
    int error = 0;
    if (!MakeDestination(*destination, error)) {
        err << "tundrel: "
            << Formatted(StringId::DestinationNotCreated, destination->path.c_str(), platform::ErrorText(error).c_str())
            << '\n';
        return kExitExportIncomplete;
    }
    if (!RunWriteTest(destination->path, prompt)) return refused();

    std::ofstream logFile;
    const LogFormat logFormat = LogFormatOf(options.logFormat).value_or(LogFormat::JsonLines);
    if (!options.logFile.empty()) {
        logFile.open(options.logFile, std::ios::binary | std::ios::trunc);
        if (!logFile) {
            err << "tundrel: " << Formatted(StringId::LogFileNotWritable, options.logFile.c_str()) << '\n';
            return kExitUsage;
        }
        if (logFormat == LogFormat::Tsv) logFile << kTsvHeader << '\n';
    }
    const bool draw = !options.scan.quiet && isatty(STDERR_FILENO) != 0;
    ExportLog log;
    log.SetListener([&](const LogEntry& entry) {
        std::lock_guard terminal(prompt.TerminalLock());
        if (draw) err << "\r\x1b[K" << std::flush;
        if (options.scan.json) {
            // The destination's path is in the texts, and need not be UTF-8.
            const nlohmann::json line{{"level", LevelWord(entry.level)}, {"text", entry.text}};
            out << line.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) << '\n';
        } else {
            out << LogLine(entry) << '\n';
        }
        if (logFile.is_open() && logFormat == LogFormat::Text) logFile << LogLine(entry) << '\n';
    });
    const std::vector<VolumeScanner*> scanners = session.Scanners();
    AddressBook addresses;
    if (logFile.is_open() && logFormat != LogFormat::Text) {
        // Each record goes out whole: a log cut short by a crash still parses up to there.
        log.SetRecordListener([&](const ExportRecord& record) {
            const auto volume = static_cast<std::uint32_t>(
                std::find(scanners.begin(), scanners.end(), record.scanner) - scanners.begin());
            const bool placed = volume < scanners.size() && record.node != nullptr;
            const std::optional<std::string> address =
                placed ? addresses.AddressOf(volume, scanners[volume]->roots, *record.node) : std::nullopt;
            logFile << RecordLine(logFormat, record, address.value_or(std::string())) + '\n' << std::flush;
        });
    }

    request.destination = destination->path;
    request.collisionChoice = CollisionChoiceOf(options.onCollision);
    // With --json, stdout holds the log's JSON Lines alone.
    std::ostream& report = options.scan.json ? err : out;
    report << ForTerminal(Formatted(StringId::ExportDestination, request.destination.c_str())) << '\n'
        << Formatted(StringId::ExportSelectionSummary, static_cast<int>(checks.selection.folders),
                      static_cast<int>(checks.selection.files), FormatSize(checks.selection.bytes).c_str())
        << '\n';

    ExportCounters counters;
    FolderRenameCounter folderRenames;
    ExportWriter writer(prompt, log, counters, folderRenames);
    const ExportOutcome outcome = RunWriter(writer, request, counters, prompt, draw, err);
    log.SetListener(nullptr);
    log.SetRecordListener(nullptr);
    report << ExportSpeedText(counters.filesWritten, counters.allDone, counters.ElapsedMilliseconds()) << '\n';
    if (logFile.is_open() && !logFile.flush()) err << "tundrel: " << Formatted(StringId::LogFileIncomplete, options.logFile.c_str()) << '\n';

    if (outcome.destinationFull) return kExitExportIncomplete;
    if (outcome.stopped || CommandInterrupts::Interrupted()) return kExitStopped;
    if (!outcome.destinationOpened || log.CountOf(LogLevel::Error) > 0) return kExitExportIncomplete;
    return kExitSuccess;
}

}  // namespace tundrel::cli
