#pragma once
// The "recently deleted" root: copies of deleted files changed or read in the last days.

#include <cstddef>
#include <ctime>

#include "scan/result_tree.h"

namespace tundrel {

// How far back a deleted file counts as recent, in seconds (eight days).
inline constexpr std::time_t kRecentWindowSeconds = 691'200;
// Collection stops once more than this many files were taken.
inline constexpr std::size_t kRecentLimit = 20'000;

// Walks the lost and then the deleted root depth-first and appends to the recent root a
// copy of every deleted file whose modification or access date (local time) is on or after
// the date kRecentWindowSeconds before `now`. Returns the number of copies appended; when
// memory runs out while the recent root grows, its children are abandoned and 0 is returned.
std::size_t CollectRecentlyDeleted(ResultTree& tree, std::time_t now);

}  // namespace tundrel
