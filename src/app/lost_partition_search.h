#pragma once
// The partitions the lost-partition recovery offers for a disk or image: those its table
// lists and those the search of the whole disk finds, lost ones first, the whole disk last.

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "disk/volume_info.h"

namespace tundrel::app {

// Runs on a worker thread and may take long; ends early, with what it has, once `stop` is set.
// Nothing when the source does not open.
std::vector<VolumeInfo> FindLostPartitions(const std::string& sourceName, const std::atomic<std::uint32_t>& stop);

}  // namespace tundrel::app
