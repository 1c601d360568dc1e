#pragma once
// One MFT file record read into a summary node, for the passes that meet records one at a
// time (the full scan, the lost-partition search, the scanner's check of record 0).

#include <cstdint>
#include <span>

#include "scan/name_pool.h"
#include "scan/scan_node.h"

namespace tundrel {

// Fills `node` from the 1024-byte record at the start of `record`; the record is realigned
// and its first sector fixed up in place before anything is read. Every accepted name marks the node deleted, as
// the callers meet records outside any directory tree. Nothing is touched when the first
// attribute offset is outside 0x30-0x3FF. A record that does not end its attributes
// soundly (or the root's ".") leaves `name` null; the rest gathered stays. Returns the
// parent record number of the last accepted name (0 when there is none).
std::uint32_t ParseMftRecord(std::span<std::uint8_t> record, ScanNode& node, NamePool& names);

}  // namespace tundrel
