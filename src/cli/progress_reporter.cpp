#include "cli/progress_reporter.h"

#include <unistd.h>

#include <condition_variable>
#include <mutex>
#include <ostream>
#include <thread>

#include "cli/command_interrupts.h"
#include "cli/terminal_line.h"

namespace tundrel::cli {
std::string ProgressLine(const ProgressView& view, std::size_t columns) {
    const std::string position =
        view.showPosition ? std::to_string(view.position) + "/" + std::to_string(view.total) : std::string();
    enum Part : std::size_t { Title, Status, Position, Count, Size, Times };
    return FitParts({view.title, view.statusText, position, view.foundCount, view.foundSize, view.times},
                    {Status, Position, Count, Title, Size, Times}, columns);
}

void RunWithProgress(ScanProgress& progress, bool draw, std::ostream& err, const std::function<void()>& work) {
    StopOnInterrupt interrupt(progress);
    std::mutex lock;
    std::condition_variable finished;
    bool done = false;
    std::thread worker([&] {
        work();
        std::lock_guard guard(lock);
        done = true;
        finished.notify_one();
    });
    ProgressDisplay display;
    std::unique_lock guard(lock);
    while (!finished.wait_for(guard, std::chrono::milliseconds(200), [&] { return done; })) {
        if (!draw) continue;
        // The last column is left free: a line that fills it wraps on some terminals.
        const std::size_t columns = TerminalWidth(STDERR_FILENO) - 1;
        err << "\r\x1b[K" << ProgressLine(display.Tick(progress, ProgressDisplay::Clock::now()), columns) << std::flush;
    }
    guard.unlock();
    worker.join();
    if (draw) err << "\r\x1b[K" << std::flush;
}

}  // namespace tundrel::cli
