#include "ntfs/nameless_folders.h"

#include <algorithm>
#include <array>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "ntfs/data_runs.h"
#include "ntfs/directory_index.h"
#include "ntfs/mft_attribute.h"
#include "ntfs/mft_record_header.h"

namespace tundrel {
namespace {

constexpr std::u16string_view kFolderIndexName = u"$I30";

bool IsFolderIndex(const MftAttribute& attribute, std::uint32_t type) {
    if (attribute.type != type) return false;
    const auto name = attribute.Name();
    return name && *name == kFolderIndexName;
}

class NamelessSearch {
public:
    NamelessSearch(const NtfsVolume& volume, RecordTable& table, NamePool& names, const std::atomic<std::uint32_t>& stop,
                   IndexSearchLimits limits)
        : volume_(volume), table_(table), names_(names), stop_(stop), limits_(limits) {}

    std::size_t Run() {
        for (const std::uint32_t record : table_.NamelessDirectories()) {
            const RecordSlot* slot = table_.Find(record);
            if (slot != nullptr && slot->name == nullptr && !table_.ChildrenOf(record).empty()) wanted_.insert(record);
        }
        if (wanted_.empty()) return 0;
        std::vector<std::pair<std::uint32_t, std::uint32_t>> folders;  // record, sector
        table_.ForEachSlot([&](std::uint32_t record, const RecordSlot& slot) {
            if (slot.IsDirectory() && slot.location != 0) folders.emplace_back(record, slot.location);
        });
        for (const auto& [record, sector] : folders) {
            if (wanted_.empty() || Stopped() || foldersRead_ >= limits_.folders) break;
            ++foldersRead_;
            SearchFolder(record, sector);
        }
        if (named_ != 0) table_.IndexChildren();
        return named_;
    }

private:
    bool Stopped() const { return stop_.load(std::memory_order_relaxed) != 0; }

    void SearchFolder(std::uint32_t folder, std::uint32_t sector) {
        std::array<std::uint8_t, kMftRecordBytes> record{};
        if (!volume_.Read(record, sector) || !HasFileSignature(record)) return;
        if (!ApplyUpdateSequence(record)) FixupFirstSector(record);
        const std::uint16_t firstAttribute = FirstAttributeOffset(record);
        if (!IsFirstAttributeInRange(firstAttribute)) return;
        std::uint32_t blockBytes = 0;
        MftRunList runs;
        AttributeWalk walk(record, firstAttribute);
        while (const auto attribute = walk.Next()) {
            if (IsFolderIndex(*attribute, kAttrIndexRoot) && attribute->IsResident()) {
                IndexRoot root = ReadIndexRoot(attribute->ResidentValue());
                blockBytes = root.blockBytes;
                Take(folder, root.entries);
            } else if (IsFolderIndex(*attribute, kAttrIndexAllocation) && !attribute->IsResident()) {
                const auto runList = attribute->RunListBytes();
                DecodeRunList(runList, runs, runList.size());
            }
        }
        if (blockBytes != 0) SearchBlocks(folder, runs, blockBytes);
    }

    // Every block of the allocation is read, those its bitmap marks free too: a block the
    // folder stopped using keeps the entries it last held.
    void SearchBlocks(std::uint32_t folder, const MftRunList& runs, std::uint32_t blockBytes) {
        std::vector<std::uint8_t> block(blockBytes);
        const std::uint64_t sectorsPerBlock = blockBytes / 512;
        for (const MftRun& run : runs) {
            if (run.sparse) continue;
            const auto start = volume_.ClusterSector(run.startCluster);
            if (!start) continue;
            const std::uint64_t blocks = std::uint64_t{run.clusterCount} * volume_.ClusterBytes() / blockBytes;
            for (std::uint64_t index = 0; index < blocks; ++index) {
                if (wanted_.empty() || Stopped() || blocksRead_ >= limits_.blocks) return;
                ++blocksRead_;
                const std::uint64_t sector = *start + index * sectorsPerBlock;
                if (sector > UINT32_MAX || !volume_.Read(block, static_cast<std::uint32_t>(sector))) continue;
                if (FixupIndexBlock(block)) Take(folder, ReadIndexBlock(block));
            }
        }
    }

    void Take(std::uint32_t folder, const std::vector<IndexEntry>& entries) {
        for (const IndexEntry& entry : entries) {
            if (entry.key.nameSpace == kNamespaceDos || entry.key.parentRecord != folder || entry.record == folder) continue;
            if (wanted_.erase(entry.record) == 0) continue;
            if (RecordSlot* slot = table_.NameRecord(entry.record, folder, names_.Add(entry.key.name))) {
                ScanNode node = slot->Node(entry.record);
                FillTimes(node, entry.key);
                slot->Store(node);
                ++named_;
            }
        }
    }

    const NtfsVolume& volume_;
    RecordTable& table_;
    NamePool& names_;
    const std::atomic<std::uint32_t>& stop_;
    IndexSearchLimits limits_;
    std::unordered_set<std::uint32_t> wanted_;
    std::size_t foldersRead_ = 0;
    std::size_t blocksRead_ = 0;
    std::size_t named_ = 0;
};

}  // namespace

std::size_t NameNamelessFolders(const NtfsVolume& volume, RecordTable& table, NamePool& names,
                                const std::atomic<std::uint32_t>& stop, IndexSearchLimits limits) {
    return NamelessSearch(volume, table, names, stop, limits).Run();
}

}  // namespace tundrel
