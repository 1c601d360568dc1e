#pragma once
// A piece of engine work on a thread of its own, so that the user-interface thread never waits
// on the disk. The panes poll Finished() on their timer.

#include <atomic>
#include <functional>
#include <thread>

namespace tundrel::app {

class BackgroundJob {
public:
    BackgroundJob() = default;
    ~BackgroundJob();
    BackgroundJob(const BackgroundJob&) = delete;
    BackgroundJob& operator=(const BackgroundJob&) = delete;

    void Start(std::function<void()> work);
    // Started and not yet collected.
    bool Running() const { return thread_.joinable(); }
    // The work has returned; Collect() will not wait.
    bool Finished() const { return finished_.load(); }
    // Waits for the work to return, still answering the engine's questions (which it asks on
    // the user-interface thread) while it waits.
    void Collect();

private:
    std::thread thread_;
    std::atomic<bool> finished_{false};
};

}  // namespace tundrel::app
