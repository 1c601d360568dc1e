#include "cli/search_progress.h"

#include "support/strings.h"
#include "support/text.h"

namespace tundrel::cli {

SearchProgress::SearchProgress(ScanProgress& progress) : progress_(progress) { FoundCount(0); }

void SearchProgress::SweepExtent(std::uint64_t cylinders) {
    progress_.totalUnits.store(static_cast<std::int64_t>(cylinders));
}

void SearchProgress::SweepPosition(std::uint64_t cylinder) {
    progress_.doneUnits.store(static_cast<std::int64_t>(cylinder));
}

void SearchProgress::FoundCount(std::size_t count) {
    progress_.SetStatusText(ToUtf16(Formatted(StringId::LostPartitionsFound, static_cast<int>(count))));
}

}  // namespace tundrel::cli
