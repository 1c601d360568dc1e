#pragma once
// The partitions the lost-partition recovery offers for a disk or image. This is the one
// place the wizard asks for them: today the partitions of the source's table, until the
// search for lost partitions takes its place behind the same call.

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
