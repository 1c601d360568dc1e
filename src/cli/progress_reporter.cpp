#include "cli/progress_reporter.h"

#include <condition_variable>
#include <mutex>
#include <ostream>
#include <thread>

#include "cli/command_interrupts.h"

namespace tundrel::cli {
std::string ProgressLine(const ProgressView& view) {
    std::string line = view.title;
    if (!view.statusText.empty()) line += "  " + view.statusText;
    if (view.showPosition) line += "  " + std::to_string(view.position) + "/" + std::to_string(view.total);
    line += "  " + view.foundCount + "  " + view.foundSize;
    if (!view.times.empty()) line += "  " + view.times;
    return line;
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
        if (draw) err << "\r\x1b[K" << ProgressLine(display.Tick(progress, ProgressDisplay::Clock::now())) << std::flush;
    }
    guard.unlock();
    worker.join();
    if (draw) err << "\r\x1b[K" << std::flush;
}

}  // namespace tundrel::cli
