#pragma once
// The partitions the lost-partition recovery offers for a disk or image. This is the one
// place the wizard asks for them: today the partitions of the source's table, until the
// search for lost partitions takes its place behind the same call.

#include <string>
#include <vector>

#include "disk/volume_info.h"

namespace tundrel::app {

// Nothing when the source does not open.
std::vector<VolumeInfo> FindLostPartitions(const std::string& sourceName);

}  // namespace tundrel::app
