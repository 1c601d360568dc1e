#pragma once
// Finds that duplicate files a scan already lists are not reported again by content.

#include <span>
#include <vector>

#include "carve/carve_type_table.h"

namespace tundrel {

class VolumeScanner;

// Drops from each rule's finds those whose first sector is the first data sector of a file
// listed under one of the type's extensions in the lost, deleted, scanned or directory-tree root
// of one of `scanners`.
void DropKnownFiles(std::vector<CarveRule>& table, std::span<VolumeScanner* const> scanners);

}  // namespace tundrel
