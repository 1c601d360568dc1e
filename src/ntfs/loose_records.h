#pragma once
// MFT records found loose on a disk, outside any MFT that was read: read again at their
// sector, and filed into a lost-files tree by the parents their names give.

#include <atomic>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "ntfs/ntfs_volume.h"
#include "scan/name_pool.h"
#include "scan/scan_node.h"

namespace tundrel {

class SectorSource;

struct LooseRecord {
    ScanNode node;  // `location` its absolute sector, `recordNumber` its header's number
    std::uint32_t parentRecord = 0;
};

// The named record at `sector`, its names interned in `names`; nothing when it has none.
std::optional<LooseRecord> ReadLooseRecord(SectorSource& source, std::uint32_t sector, NamePool& names);

// Whether a sector lies inside the volume's MFT runs.
bool LiesInsideMftRuns(const NtfsVolume& volume, std::uint32_t sector);

// Reads again the records that do not lie inside the volume's MFT runs or its mirror's first
// four records (those the scanner read itself), in the order given.
std::vector<LooseRecord> LooseRecordsOutsideMft(const NtfsVolume& volume, std::uint64_t mirrorCluster,
                                                std::span<const std::uint32_t> recordSectors,
                                                SectorSource& source, NamePool& names,
                                                const std::atomic<std::uint32_t>& stop);

// Files the records into `root` by the lost-records rules. Records of one number after the
// first are dropped (copies of one record, or records of another volume). Record numbers are
// renumbered densely for the table, so hostile numbers cannot make it large; the tree's nodes
// carry their own numbers again.
void FileLooseRecords(ScanNode& root, std::vector<LooseRecord> records, NamePool& names,
                      const std::atomic<std::uint32_t>& stop);

}  // namespace tundrel
