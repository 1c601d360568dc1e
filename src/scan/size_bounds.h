#pragma once
// Sizes a volume cannot hold: a file's recorded size larger than the area its data can lie in
// comes from damage, and nothing beyond that area is ever read for it.

#include <cstdint>

#include "scan/file_extent.h"
#include "scan/scan_node.h"

namespace tundrel {

class VolumeScanner;

// Bytes of the area a node's data can lie in: its volume, or for a carved or lost file (one
// run from `location`) the whole source; 0 when neither size is known.
std::uint64_t DataAreaBytes(const VolumeScanner& scanner, const ScanNode& node);

// A file whose recorded size is larger than that area. Its size is shown as recorded, but
// only the data its extents hold is real.
bool SizeBeyondVolume(const VolumeScanner& scanner, const ScanNode& node);

// The size cut to that area: at most what reading the node can give.
std::uint64_t BoundedSize(const VolumeScanner& scanner, const ScanNode& node);

// The bytes a copy of the node's data takes: its size, or for a size larger than its area only
// what its extents hold (never the rest of that size as zeros).
std::uint64_t BytesToCopy(const VolumeScanner& scanner, const ScanNode& node, const ExtentList& extents);

}  // namespace tundrel
