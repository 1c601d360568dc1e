#pragma once
// What a progress view shows, worked out from the progress block on each 200 ms tick.

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

#include "scan/scan_progress.h"

namespace tundrel {

struct ProgressView {
    std::string title;        // tasks done and the target
    std::string statusText;
    std::string currentName;
    std::int64_t position = 0;
    std::int64_t total = 0;
    bool showPosition = false;  // the position is ignored while it exceeds the total
    bool busy = false;          // a phase of unknown length: animate instead
    std::string foundCount;     // "ファイル／フォルダーの数： %u"
    std::string foundSize;      // "合計のサイズ： %s"
    std::string times;          // elapsed and remaining time, empty when not timing
};

class ProgressDisplay {
public:
    using Clock = std::chrono::steady_clock;

    ProgressView Tick(const ScanProgress& progress, Clock::time_point now);

private:
    std::optional<Clock::time_point> start_;
    std::optional<Clock::time_point> lastTimes_;
    std::string times_;
};

}  // namespace tundrel
