#pragma once
// Reading the clusters of a chain into one buffer.

#include <cstdint>
#include <optional>
#include <vector>

#include "fat/cluster_runs.h"
#include "fat/fat_regions.h"

namespace tundrel {

class SectorSource;

// Reads the runs one after another into one zero-filled buffer. Nothing when there is nothing
// to read, when a run lies beyond the volume or the 32-bit sector numbers, when the memory
// cannot be had, or when any read falls short: a directory read in part is not listed.
std::optional<std::vector<std::uint8_t>> ReadRuns(const ClusterRunList& runs, SectorSource& source,
                                                  std::uint64_t volumeStart, const FatRegions& regions);

}  // namespace tundrel
