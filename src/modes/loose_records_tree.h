#pragma once
// MFT records the full scan met outside every volume it rebuilt, filed as the NTFS scanner
// files its lost records: by the parent each names, under the root of scanned files.

#include <atomic>
#include <cstdint>
#include <span>

#include "scan/name_pool.h"
#include "scan/scan_node.h"

namespace tundrel {

// `records` are the sweep's loose records: `recordNumber` from the record's header, `extra`
// the parent record its name gives. Of records sharing a number the first is kept. Names are
// interned in `names`.
void FileLooseRecords(std::span<const ScanNode> records, ScanNode& scannedRoot, NamePool& names,
                      const std::atomic<std::uint32_t>& stop);

}  // namespace tundrel
