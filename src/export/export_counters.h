#pragma once
// The progress of a running export: written by the export thread, read by a front end's
// timer, and the stop flag both sides may set.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>

#include "export/export_prompt.h"

namespace tundrel {

class ExportCounters {
public:
    using Clock = std::chrono::steady_clock;

    std::atomic<std::uint64_t> currentDone{0};  // bytes of the current file written
    std::atomic<std::uint64_t> currentSize{0};
    std::atomic<std::uint64_t> allDone{0};      // bytes of all files written
    std::atomic<std::uint32_t> filesWritten{0};
    std::atomic<bool> stop{false};

    // Zeroes every counter and forgets the remembered collision choice; the clock starts now.
    // A stop request is kept: one made before the export started stops it at once.
    void Reset(Clock::time_point now = Clock::now());
    // Time spent waiting for the user does not count as export time.
    void AddPause(Clock::duration pause);
    // Milliseconds of export time at `now`.
    std::uint64_t ElapsedMilliseconds(Clock::time_point now = Clock::now()) const;

    bool StopRequested() const { return stop.load(std::memory_order_relaxed); }
    void RequestStop() { stop.store(true); }
    // For a front end that starts another export with the same counters.
    void ClearStop() { stop.store(false); }

    void SetStatusText(std::string text);
    std::string StatusText() const;

    // Only the export thread reads and writes the remembered choice.
    std::optional<CollisionChoice> rememberedChoice;

private:
    std::atomic<Clock::rep> start_{0};
    mutable std::mutex textLock_;
    std::string statusText_;
};

// "N files, SIZE saved", and once more than a second has passed with bytes written, the
// speed per second and per hour.
std::string ExportSpeedText(std::uint32_t filesWritten, std::uint64_t bytesDone, std::uint64_t elapsedMilliseconds);

// Folder names the destination cannot hold are replaced by "NewPath_Renam N", N counting up
// for as long as the program runs: one counter is kept by the front end for its lifetime.
class FolderRenameCounter {
public:
    unsigned Next() { return next_.fetch_add(1); }

private:
    std::atomic<unsigned> next_{1};
};

}  // namespace tundrel
