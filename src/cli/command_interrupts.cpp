#include "cli/command_interrupts.h"

#include <csignal>

#include "export/export_counters.h"
#include "scan/scan_progress.h"

namespace tundrel::cli {
namespace {

// Only lock-free atomics are touched from the handler.
std::atomic<bool> interrupted{false};
std::atomic<ScanProgress*> scanTarget{nullptr};
std::atomic<ExportCounters*> exportTarget{nullptr};
struct sigaction previousAction {};

void OnInterrupt(int) {
    interrupted.store(true);
    if (ScanProgress* progress = scanTarget.load()) progress->RequestStop();
    if (ExportCounters* counters = exportTarget.load()) counters->RequestStop();
}

}  // namespace

CommandInterrupts::CommandInterrupts() {
    interrupted.store(false);
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, &previousAction);
}

CommandInterrupts::~CommandInterrupts() { sigaction(SIGINT, &previousAction, nullptr); }

bool CommandInterrupts::Interrupted() { return interrupted.load(); }

// The target is published before the flag is looked at, so a Ctrl-C at any moment reaches it:
// either the handler sees the target or this sees the flag.
StopOnInterrupt::StopOnInterrupt(ScanProgress& progress) : scan_(true) {
    scanTarget.store(&progress);
    if (interrupted.load()) progress.RequestStop();
}

StopOnInterrupt::StopOnInterrupt(ExportCounters& counters) : scan_(false) {
    exportTarget.store(&counters);
    if (interrupted.load()) counters.RequestStop();
}

StopOnInterrupt::~StopOnInterrupt() {
    if (scan_) {
        scanTarget.store(nullptr);
    } else {
        exportTarget.store(nullptr);
    }
}

}  // namespace tundrel::cli
