#include "scan/progress_display.h"

#include "support/display_format.h"
#include "support/strings.h"
#include "support/text.h"

namespace tundrel {

ProgressView ProgressDisplay::Tick(const ScanProgress& progress, Clock::time_point now) {
    ProgressView view;
    view.title = Formatted(StringId::ProgressTitle, static_cast<int>(progress.taskNumber.load()),
                            static_cast<int>(progress.taskCount.load()), ToUtf8(progress.TargetName()).c_str());
    view.statusText = ToUtf8(progress.StatusText());
    view.currentName = ToUtf8(progress.CurrentName());
    view.total = progress.totalUnits.load();
    view.position = progress.doneUnits.load();
    view.showPosition = view.total > 0 && view.position <= view.total;
    view.busy = progress.busy.load() == 1;
    view.foundCount = Formatted(StringId::ProgressItemCount, progress.foundCount.load());
    view.foundSize = Formatted(StringId::ProgressTotalSize, FormatSize(progress.foundBytes.load()).c_str());

    if (progress.timing.load() != 1) {
        start_.reset();
        lastTimes_.reset();
        times_.clear();
        return view;
    }
    if (!start_) start_ = now;
    const bool due = !lastTimes_ || now - *lastTimes_ >= std::chrono::milliseconds(1000);
    if (due && view.total > 0) {
        lastTimes_ = now;
        const double elapsed = std::chrono::duration<double>(now - *start_).count();
        const double ratio = static_cast<double>(view.position) / static_cast<double>(view.total);
        std::string remaining;
        if (ratio >= 0.01) {
            remaining = FormatDuration(static_cast<std::uint64_t>(elapsed / ratio - elapsed));
        }
        times_ = Formatted(StringId::ProgressTimes, FormatDuration(static_cast<std::uint64_t>(elapsed)).c_str(), remaining.c_str());
    }
    view.times = times_;
    return view;
}

}  // namespace tundrel
