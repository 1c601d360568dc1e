#pragma once
// The progress block through which a running scan reports and a front end reads.

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

namespace tundrel {

// Written by the scan thread, read by a front end's timer every 200 ms. Every counter is an
// atomic word; the texts sit behind a small lock.
class ScanProgress {
public:
    std::atomic<std::uint32_t> stopRequested{0};  // set by the front end; every scanning loop polls it
    std::atomic<std::uint32_t> scanning{0};       // 1 while the task list runs
    std::atomic<std::int64_t> totalUnits{0};      // work of the current phase in sectors, 0 if unknown
    std::atomic<std::int64_t> doneUnits{0};
    std::atomic<std::uint32_t> taskMode{0};       // mode word of the running task; 1 is deleted-file recovery
    std::atomic<std::uint32_t> busy{0};           // 1 while a phase of unknown length runs
    std::atomic<std::uint32_t> taskCount{0};
    std::atomic<std::uint32_t> taskNumber{0};     // 1-based
    std::atomic<std::uint64_t> foundBytes{0};
    std::atomic<std::uint32_t> foundCount{0};
    std::atomic<std::uint32_t> timing{0};         // 1 while elapsed and remaining time are shown
    std::atomic<std::uint32_t> resultsSaved{0};

    bool StopRequested() const { return stopRequested.load(std::memory_order_relaxed) != 0; }
    void RequestStop() { stopRequested.store(1); }
    // A stop request outlives resets and the run it stopped; the front end clears it when the
    // user starts a new run, before the run's thread starts, so no request is ever lost.
    void ClearStop() { stopRequested.store(0); }

    void SetStatusText(std::u16string text);
    void SetCurrentName(std::u16string text);
    void SetTargetName(std::u16string text);
    std::u16string StatusText() const;
    std::u16string CurrentName() const;
    std::u16string TargetName() const;

    // What every scanner does when it starts and when it ends a scan.
    void BeginScan();
    void EndScan();
    // Clears every word and text but the stop request.
    void Clear();

private:
    mutable std::mutex textLock_;
    std::u16string statusText_;
    std::u16string currentName_;
    std::u16string targetName_;
};

}  // namespace tundrel
