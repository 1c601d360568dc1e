#pragma once
// Records that the walk from the volume root never reached: their parent is gone, was
// reused, is no directory, or lies outside the root's tree. They are gathered into folders
// by the parent they name, under "Scanned files".

#include <cstdint>
#include <vector>

#include "ntfs/directory_filler.h"
#include "ntfs/record_table.h"
#include "scan/name_pool.h"
#include "scan/scan_node.h"

namespace tundrel {

struct LostRecordRules {
    bool keepFreeRecords = true;    // false: records marked free are not gathered
    std::uint32_t volumeStart = 0;
    std::uint64_t volumeEnd = 0;    // records must lie strictly between start and end
};

// The named records not placed in the tree, in record order.
std::vector<std::uint32_t> CollectLostRecords(RecordTable& table, const LostRecordRules& rules);

// Files the lost records into `scannedRoot`: " Root" for those whose parent is the volume
// root, "Dir_<n>" for each other parent not among the lost directories themselves, and the
// lost-files folder for the records at or below 5, which have no parent of their own. When
// only one kind exists, its entries go straight into the root.
void BuildLostRecordsTree(ScanNode& scannedRoot, const std::vector<std::uint32_t>& lost, RecordTable& table,
                          DirectoryFiller& filler, NamePool& names);

}  // namespace tundrel
