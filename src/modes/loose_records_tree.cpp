#include "modes/loose_records_tree.h"

#include <algorithm>
#include <limits>

#include "ntfs/directory_filler.h"
#include "ntfs/lost_records_tree.h"
#include "ntfs/record_table.h"

namespace tundrel {

void FileLooseRecords(std::span<const ScanNode> records, ScanNode& scannedRoot, NamePool& names,
                      const std::atomic<std::uint32_t>& stop) {
    if (records.empty()) return;
    std::uint32_t highest = 0;
    for (const ScanNode& record : records) highest = std::max(highest, record.recordNumber);
    RecordTable table;
    if (!table.Reserve(std::uint64_t{highest} + 1)) return;
    for (const ScanNode& record : records) {
        RecordSlot* slot = table.Slot(record.recordNumber);
        if (slot == nullptr || slot->name != nullptr || record.name == nullptr) continue;
        slot->Store(record);
        slot->name = names.Add(record.name);
        slot->parentRecord = record.extra;
        slot->extra = 0;
    }
    if (!table.IndexChildren()) return;
    // Every record lies outside the rebuilt volumes: none is bounded by a volume here.
    const LostRecordRules rules{true, 0, std::numeric_limits<std::uint64_t>::max()};
    const std::vector<std::uint32_t> lost = CollectLostRecords(table, rules);
    if (lost.empty()) return;
    DirectoryFiller filler(table, names, stop);
    BuildLostRecordsTree(scannedRoot, lost, table, filler, names);
}

}  // namespace tundrel
