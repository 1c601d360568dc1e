#pragma once
// Ctrl-C during a command asks the running work to stop instead of killing the process, so
// that what was found is kept and no file is left half-written. One handler serves the
// whole life of a command: a Ctrl-C between the scan and the export is never lost.

#include <atomic>

namespace tundrel {
class ExportCounters;
class ScanProgress;
}  // namespace tundrel

namespace tundrel::cli {

// Installs the handler for its lifetime and restores the previous one after.
class CommandInterrupts {
public:
    CommandInterrupts();
    ~CommandInterrupts();
    CommandInterrupts(const CommandInterrupts&) = delete;
    CommandInterrupts& operator=(const CommandInterrupts&) = delete;

    // True once Ctrl-C was pressed during the command.
    static bool Interrupted();
};

// While it lives, a Ctrl-C sets the stop request of `progress` (or `counters`); one that came
// before is passed on at once. The watched block must outlive the watch.
class StopOnInterrupt {
public:
    explicit StopOnInterrupt(ScanProgress& progress);
    explicit StopOnInterrupt(ExportCounters& counters);
    ~StopOnInterrupt();
    StopOnInterrupt(const StopOnInterrupt&) = delete;
    StopOnInterrupt& operator=(const StopOnInterrupt&) = delete;

private:
    bool scan_;
};

}  // namespace tundrel::cli
