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

    // While a phase with a stop word of its own runs, that word answers instead.
    bool StopRequested() const {
        if (ownStopPhase.load(std::memory_order_relaxed) != 0) return phaseStop.load(std::memory_order_relaxed) != 0;
        return stopRequested.load(std::memory_order_relaxed) != 0;
    }
    // Reaches a phase with its own stop word too: a stop during it (or a second one after the
    // stop that ended the phase before) ends it.
    void RequestStop() {
        stopRequested.store(1);
        if (ownStopPhase.load() != 0) phaseStop.store(1);
    }
    // A phase that must run after a stop (the full scan's rebuilding of what its sweep
    // gathered) polls a stop word of its own; the run's stop request stays as it was.
    void BeginOwnStopPhase() {
        phaseStop.store(0);
        ownStopPhase.store(1);
    }
    void EndOwnStopPhase() { ownStopPhase.store(0); }
    // The word StopRequested answers from, for loops that are handed a stop word.
    const std::atomic<std::uint32_t>& StopWord() const {
        return ownStopPhase.load(std::memory_order_relaxed) != 0 ? phaseStop : stopRequested;
    }
    std::atomic<std::uint32_t> ownStopPhase{0};
    std::atomic<std::uint32_t> phaseStop{0};
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
