// Ctrl-C during a command: it stops the work in hand, reaches work that starts later, and
// the previous handler comes back with the command's end.

#include <gtest/gtest.h>

#include <csignal>

#include "cli/command_interrupts.h"
#include "export/export_counters.h"
#include "scan/scan_progress.h"

namespace tundrel::cli {
namespace {

using Handler = void (*)(int);

Handler CurrentHandler() {
    struct sigaction now {};
    sigaction(SIGINT, nullptr, &now);
    return now.sa_handler;
}

TEST(CommandInterruptsTest, CtrlCStopsTheScanAndReachesTheExportThatStartsAfterIt) {
    const Handler before = CurrentHandler();
    {
        const CommandInterrupts interrupts;
        ScanProgress progress;
        {
            const StopOnInterrupt watch(progress);
            std::raise(SIGINT);
            EXPECT_TRUE(progress.StopRequested());
        }
        // Between the scan and the export nothing is watched: the request waits for the export.
        std::raise(SIGINT);
        ExportCounters counters;
        const StopOnInterrupt watch(counters);
        EXPECT_TRUE(counters.StopRequested());
        counters.Reset();
        EXPECT_TRUE(counters.StopRequested());
        EXPECT_TRUE(CommandInterrupts::Interrupted());
    }
    EXPECT_EQ(CurrentHandler(), before);
    const CommandInterrupts next;
    EXPECT_FALSE(CommandInterrupts::Interrupted());
}

}  // namespace
}  // namespace tundrel::cli
