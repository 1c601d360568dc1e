#pragma once
// Draws the progress of a running scan on a terminal every 200 ms.

#include <functional>
#include <iosfwd>
#include <string>

#include "scan/progress_display.h"

namespace tundrel::cli {

// One status line, rewritten in place, at most `columns` wide: the phase and the counts stay
// longest when the terminal is narrow.
std::string ProgressLine(const ProgressView& view, std::size_t columns);

// Runs `work` on a worker thread while the calling thread draws the progress on `err`
// (only when `draw` is set); Ctrl-C asks the scan to stop.
void RunWithProgress(ScanProgress& progress, bool draw, std::ostream& err, const std::function<void()>& work);

}  // namespace tundrel::cli
