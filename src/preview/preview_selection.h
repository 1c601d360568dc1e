#pragma once
// The preview pane's side of a running preview: which selection it shows now, and how many
// previews are running. A preview compares its own selection number with the pane's before every
// step and ends quietly once the user has selected something else.

#include <atomic>
#include <cstdint>

namespace tundrel {

class PreviewSelection {
public:
    // The front end calls this on every change of selection; the number names the new one.
    std::uint64_t Select() { return generation_.fetch_add(1, std::memory_order_acq_rel) + 1; }
    std::uint64_t Current() const { return generation_.load(std::memory_order_acquire); }

    int Running() const { return running_.load(std::memory_order_acquire); }

    // Counts a preview as running for its lifetime.
    class RunningPreview {
    public:
        explicit RunningPreview(PreviewSelection& selection) : selection_(selection) {
            selection_.running_.fetch_add(1, std::memory_order_acq_rel);
        }
        ~RunningPreview() { selection_.running_.fetch_sub(1, std::memory_order_acq_rel); }
        RunningPreview(const RunningPreview&) = delete;
        RunningPreview& operator=(const RunningPreview&) = delete;

    private:
        PreviewSelection& selection_;
    };

private:
    std::atomic<std::uint64_t> generation_{0};
    std::atomic<int> running_{0};
};

}  // namespace tundrel
