#include "export/export_counters.h"

#include "support/display_format.h"
#include "support/strings.h"
#include "support/text.h"

namespace tundrel {

void ExportCounters::Reset(Clock::time_point now) {
    currentDone = 0;
    currentSize = 0;
    allDone = 0;
    filesWritten = 0;
    rememberedChoice.reset();
    start_ = now.time_since_epoch().count();
    SetStatusText({});
}

void ExportCounters::AddPause(Clock::duration pause) { start_.fetch_add(pause.count()); }

std::uint64_t ExportCounters::ElapsedMilliseconds(Clock::time_point now) const {
    const Clock::duration elapsed = now.time_since_epoch() - Clock::duration(start_.load());
    if (elapsed.count() < 0) return 0;
    return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count());
}

void ExportCounters::SetStatusText(std::string text) {
    std::lock_guard guard(textLock_);
    statusText_ = std::move(text);
}

std::string ExportCounters::StatusText() const {
    std::lock_guard guard(textLock_);
    return statusText_;
}

std::string ExportSpeedText(std::uint32_t filesWritten, std::uint64_t bytesDone, std::uint64_t elapsedMilliseconds) {
    std::string text = Formatted(StringId::ExportedSoFar, static_cast<int>(filesWritten),
                                  FormatSize(bytesDone).c_str());
    if (elapsedMilliseconds > 1000 && bytesDone > 0) {
        const std::uint64_t perSecond = bytesDone * 1000 / elapsedMilliseconds;
        text += "    " + Formatted(StringId::ExportSpeed, FormatSize(perSecond).c_str(),
                                    FormatSize(perSecond * 3600).c_str());
    }
    return text;
}

}  // namespace tundrel
