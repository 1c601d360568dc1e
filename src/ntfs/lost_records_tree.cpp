#include "ntfs/lost_records_tree.h"

#include <deque>
#include <unordered_map>
#include <unordered_set>

#include "scan/child_array.h"
#include "scan/node_order.h"
#include "support/strings.h"
#include "support/text.h"

namespace tundrel {
namespace {

constexpr std::uint32_t kRootRecord = 5;

struct MadeFolder {
    ScanNode node;
    std::vector<std::uint32_t> records;  // waiting to be copied in
    bool unsorted = false;               // records were filed one by one since the last sort
};

// The made-up folders, one per parent record, in the order they were needed.
class LostFolders {
public:
    explicit LostFolders(NamePool& names) : names_(names) { Create(kRootRecord, Text16(StringId::LostRecordsRoot)); }

    MadeFolder& For(std::uint32_t parent) {
        const auto found = index_.find(parent);
        if (found != index_.end()) return folders_[found->second];
        return Create(parent, ToUtf16(FormatText("Dir_%u", nextNumber_++)));
    }

    // Copies the waiting records of every folder in and fills their directories.
    void Materialise(DirectoryFiller& filler) {
        for (MadeFolder& folder : folders_) Materialise(folder, filler);
    }

    static void Materialise(MadeFolder& folder, DirectoryFiller& filler) {
        if (folder.records.empty()) return;
        filler.AppendRecords(folder.node, folder.records);
        folder.records.clear();
        filler.FillSubdirectories(folder.node);
    }

    void SortFiledOneByOne() {
        for (MadeFolder& folder : folders_) {
            if (folder.unsorted) SortChildren(folder.node, ChildOrder::Default);
            folder.unsorted = false;
        }
    }

    std::vector<ScanNode> TakeNonEmpty() {
        std::vector<ScanNode> taken;
        for (MadeFolder& folder : folders_) {
            if (!folder.node.children.empty()) taken.push_back(std::move(folder.node));
        }
        return taken;
    }

private:
    MadeFolder& Create(std::uint32_t parent, std::u16string_view name) {
        MadeFolder& folder = folders_.emplace_back();
        folder.node.name = names_.Add(name);
        folder.node.flags = kFlagDirectory;
        index_.emplace(parent, folders_.size() - 1);
        return folder;
    }

    NamePool& names_;
    std::deque<MadeFolder> folders_;
    std::unordered_map<std::uint32_t, std::size_t> index_;
    unsigned nextNumber_ = 1;
};

}  // namespace

std::vector<std::uint32_t> CollectLostRecords(RecordTable& table, const LostRecordRules& rules) {
    std::vector<std::uint32_t> lost;
    table.ForEachSlot([&](std::uint32_t record, const RecordSlot& slot) {
        if (slot.name == nullptr || slot.Has(kPlacedInTree)) return;
        if (!rules.keepFreeRecords && slot.Has(kFlagRecordFree)) return;
        if (slot.location <= rules.volumeStart || slot.location >= rules.volumeEnd) return;
        lost.push_back(record);
    });
    return lost;
}

void BuildLostRecordsTree(ScanNode& scannedRoot, const std::vector<std::uint32_t>& lost, RecordTable& table,
                          DirectoryFiller& filler, NamePool& names) {
    std::unordered_set<std::uint32_t> lostDirectories;
    for (const std::uint32_t record : lost) {
        if (record > kRootRecord && table.Find(record)->IsDirectory()) lostDirectories.insert(record);
    }

    LostFolders folders(names);
    std::vector<std::uint32_t> withoutParent;
    for (const std::uint32_t record : lost) {
        if (filler.Stopped()) break;
        if (record <= kRootRecord) {
            withoutParent.push_back(record);
            continue;
        }
        const std::uint32_t parent = table.Find(record)->parentRecord;
        // A lost directory's own child list holds its children already.
        if (parent != record && lostDirectories.contains(parent)) continue;
        folders.For(parent).records.push_back(record);
    }
    folders.Materialise(filler);

    // Lost directories that only name each other (a loop) were reached from nowhere: file
    // them under their parents' folders too, one at a time, as filing one may place others.
    // Each folder is sorted once at the end: sorting after every record made a volume with
    // many such records (all of them, when a stop cut the tree short) take minutes.
    for (const std::uint32_t record : lost) {
        if (filler.Stopped()) break;
        const RecordSlot* slot = table.Find(record);
        if (record <= kRootRecord || slot->Has(kPlacedInTree)) continue;
        MadeFolder& folder = folders.For(slot->parentRecord);
        filler.FileRecord(folder.node, record);
        folder.unsorted = true;
    }
    folders.SortFiledOneByOne();

    std::vector<ScanNode> topLevel = folders.TakeNonEmpty();
    ScanNode lostFiles;
    lostFiles.name = names.Add(Text16(StringId::LostFiles));
    lostFiles.flags = kFlagDirectory;
    filler.AppendRecords(lostFiles, withoutParent);
    filler.FillSubdirectories(lostFiles);

    if (!topLevel.empty() && !lostFiles.children.empty()) topLevel.push_back(std::move(lostFiles));
    if (!topLevel.empty()) {
        AppendChildren(scannedRoot, std::move(topLevel));
    } else if (!lostFiles.children.empty()) {
        AppendChildren(scannedRoot, std::move(lostFiles.children));
    }
}

}  // namespace tundrel
