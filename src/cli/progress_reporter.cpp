#include "cli/progress_reporter.h"

#include <condition_variable>
#include <csignal>
#include <mutex>
#include <ostream>
#include <thread>

namespace tundrel::cli {
namespace {

std::atomic<ScanProgress*> interruptTarget{nullptr};

void OnInterrupt(int) {
    if (ScanProgress* progress = interruptTarget.load()) progress->stopRequested.store(1);
}

// Ctrl-C sets the stop request of the scan instead of killing the process, so what was found
// is kept; the previous handler comes back when the scan ends.
class InterruptToStop {
public:
    explicit InterruptToStop(ScanProgress& progress) {
        interruptTarget.store(&progress);
        struct sigaction action {};
        action.sa_handler = OnInterrupt;
        sigemptyset(&action.sa_mask);
        sigaction(SIGINT, &action, &previous_);
    }
    ~InterruptToStop() {
        sigaction(SIGINT, &previous_, nullptr);
        interruptTarget.store(nullptr);
    }

private:
    struct sigaction previous_ {};
};

}  // namespace

std::string ProgressLine(const ProgressView& view) {
    std::string line = view.title;
    if (!view.statusText.empty()) line += "  " + view.statusText;
    if (view.showPosition) line += "  " + std::to_string(view.position) + "/" + std::to_string(view.total);
    line += "  " + view.foundCount + "  " + view.foundSize;
    if (!view.times.empty()) line += "  " + view.times;
    return line;
}

void RunWithProgress(ScanProgress& progress, bool draw, std::ostream& err, const std::function<void()>& work) {
    InterruptToStop interrupt(progress);
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
