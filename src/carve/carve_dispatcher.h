#pragma once
// Offers every 512-byte block of a read buffer to every rule of a carving pass.

#include <cstdint>
#include <span>
#include <vector>

#include "carve/carve_type_table.h"

namespace tundrel {

class ScanProgress;

// Offers each whole 512-byte block of `buffer` (whose first byte is at `firstSector`) to every
// rule in table order, also the blocks inside a file just found, so a file stored inside
// another is found too. A tail shorter than a block is not offered. A stop request ends the
// walk before the next block or rule. A rule that follows no file is offered only the blocks its
// start key admits, as no other block could change it. Each find adds to the progress's
// found-bytes total and becomes its current name; the files-found counter grows by the finds of
// the whole call.
void DispatchCarveBlocks(std::span<const std::uint8_t> buffer, std::uint64_t firstSector, std::vector<CarveRule>& table,
                         CarveContext& context, ScanProgress& progress);

}  // namespace tundrel
