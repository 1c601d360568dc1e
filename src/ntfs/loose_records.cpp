#include "ntfs/loose_records.h"

#include <algorithm>
#include <array>

#include "disk/sector_source.h"
#include "ntfs/directory_filler.h"
#include "ntfs/lost_records_tree.h"
#include "ntfs/mft_record_parse.h"
#include "ntfs/record_table.h"
#include "scan/child_array.h"

namespace tundrel {
namespace {

// Numbers up to the volume root's keep their meaning in the lost-records rules.
constexpr std::uint32_t kLastFixedRecord = 5;

constexpr std::uint32_t kMirrorRecordSectors = 8;  // records 0 to 3

bool InsideMft(const NtfsVolume& volume, std::uint64_t mirrorCluster, std::uint32_t sector) {
    const auto mirror = volume.ClusterSector(mirrorCluster);
    return (mirror && sector >= *mirror && sector - *mirror < kMirrorRecordSectors) || LiesInsideMftRuns(volume, sector);
}

// Dense numbers for the table, in the order of the original numbers; 0 to 5 stay.
class Renumbering {
public:
    explicit Renumbering(const std::vector<LooseRecord>& records) {
        for (const LooseRecord& record : records) {
            numbers_.push_back(record.node.recordNumber);
            numbers_.push_back(record.parentRecord);
        }
        std::sort(numbers_.begin(), numbers_.end());
        numbers_.erase(std::unique(numbers_.begin(), numbers_.end()), numbers_.end());
    }

    std::uint32_t Count() const { return static_cast<std::uint32_t>(numbers_.size()) + kLastFixedRecord + 1; }
    std::uint32_t Dense(std::uint32_t number) const {
        if (number <= kLastFixedRecord) return number;
        const auto at = std::lower_bound(numbers_.begin(), numbers_.end(), number);
        return static_cast<std::uint32_t>(at - numbers_.begin()) + kLastFixedRecord + 1;
    }
    std::uint32_t Original(std::uint32_t dense) const {
        if (dense <= kLastFixedRecord) return dense;
        return numbers_[dense - kLastFixedRecord - 1];
    }

private:
    std::vector<std::uint32_t> numbers_;
};

void RestoreNumbers(ScanNode& node, const Renumbering& numbering) {
    if (node.recordNumber < numbering.Count()) node.recordNumber = numbering.Original(node.recordNumber);
    for (ScanNode& child : node.children) RestoreNumbers(child, numbering);
}

}  // namespace

bool LiesInsideMftRuns(const NtfsVolume& volume, std::uint32_t sector) {
    for (const MftRun& run : volume.mft.runs) {
        const auto first = volume.ClusterSector(run.startCluster);
        if (!first) continue;
        const std::uint64_t sectors = std::uint64_t{run.clusterCount} * volume.SectorsPerCluster();
        if (sector >= *first && sector - *first < sectors) return true;
    }
    return false;
}

std::optional<LooseRecord> ReadLooseRecord(SectorSource& source, std::uint32_t sector, NamePool& names) {
    std::array<std::uint8_t, 1024> bytes{};
    if (sector == UINT32_MAX || !source.ReadSectors(bytes, sector)) return std::nullopt;
    LooseRecord record;
    record.parentRecord = ParseMftRecord(bytes, record.node, names);
    if (record.node.name == nullptr) return std::nullopt;
    record.node.location = sector;
    return record;
}

std::vector<LooseRecord> LooseRecordsOutsideMft(const NtfsVolume& volume, std::uint64_t mirrorCluster,
                                                std::span<const std::uint32_t> recordSectors,
                                                SectorSource& source, NamePool& names,
                                                const std::atomic<std::uint32_t>& stop) {
    std::vector<LooseRecord> outside;
    for (const std::uint32_t sector : recordSectors) {
        if (stop.load(std::memory_order_relaxed) != 0) break;
        if (InsideMft(volume, mirrorCluster, sector)) continue;
        if (auto record = ReadLooseRecord(source, sector, names)) outside.push_back(std::move(*record));
    }
    return outside;
}

void FileLooseRecords(ScanNode& root, std::vector<LooseRecord> records, NamePool& names,
                      const std::atomic<std::uint32_t>& stop) {
    if (records.empty()) return;
    const Renumbering numbering(records);
    RecordTable table;
    if (!table.Reserve(numbering.Count())) return;
    for (const LooseRecord& record : records) {
        RecordSlot* slot = table.Slot(numbering.Dense(record.node.recordNumber));
        if (slot == nullptr || slot->name != nullptr || record.node.name == nullptr) continue;
        slot->Store(record.node);
        slot->flags &= ~kPlacedInTree;
        slot->parentRecord = numbering.Dense(record.parentRecord);
    }
    records = {};
    if (!table.IndexChildren()) return;
    DirectoryFiller filler(table, names, stop);
    const std::vector<std::uint32_t> lost = CollectLostRecords(table, {true, 0, UINT64_MAX});
    ScanNode made;
    BuildLostRecordsTree(made, lost, table, filler, names);
    for (ScanNode& child : made.children) RestoreNumbers(child, numbering);
    if (!made.children.empty()) AppendChildren(root, std::move(made.children));
}

}  // namespace tundrel
