#pragma once
// Deleted files whose first cluster the volume has since given to something else.

#include <cstdint>
#include <span>

#include "scan/result_tree.h"

namespace tundrel {

// Walks the lost, recently deleted and deleted roots and marks overwritten every file whose
// record is free, whose data lies outside its record, and whose first cluster (`extra`) is
// set in the volume's cluster bitmap. Clusters beyond the bitmap are left unmarked.
void MarkOverwrittenFiles(ResultTree& tree, std::span<const std::uint8_t> clusterBitmap);

}  // namespace tundrel
