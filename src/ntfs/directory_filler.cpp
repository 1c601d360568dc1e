#include "ntfs/directory_filler.h"

#include <new>

#include "scan/child_array.h"
#include "scan/node_links.h"
#include "scan/node_order.h"

namespace tundrel {

DirectoryFiller::DirectoryFiller(RecordTable& table, const std::atomic<std::uint32_t>& stop)
    : table_(table), stop_(stop), filled_(table.RecordCount(), false) {}

bool DirectoryFiller::ClaimRecord(std::uint32_t record) {
    if (record >= filled_.size() || filled_[record]) return false;
    filled_[record] = true;
    return true;
}

std::size_t DirectoryFiller::CopyChildren(ScanNode& folder, std::uint32_t record, bool guardLoops) {
    const ChildLinks links = table_.ChildrenOf(record);
    if (links.empty() || !folder.children.empty()) return 0;
    try {
        // Reserved in full, so the copies never move while their parent links are set.
        folder.children.reserve(links.size());
        for (const ChildLink& link : links) {
            if (stop_.load(std::memory_order_relaxed) != 0) break;
            RecordSlot* slot = table_.Find(link.child);
            if (slot == nullptr) break;
            if (slot->name == nullptr) continue;
            ScanNode copy = slot->Node(link.child);
            copy.name = link.name;
            copy.parent = &folder;
            if (guardLoops && NameOccursAmongAncestors(folder, copy)) break;
            slot->flags |= kPlacedInTree;
            folder.children.push_back(std::move(copy));
        }
    } catch (const std::bad_alloc&) {
        folder.children.clear();
        folder.children.shrink_to_fit();
        return 0;
    }
    if (folder.children.empty()) {
        folder.children.shrink_to_fit();
        return 0;
    }
    SortChildren(folder, ChildOrder::Default);
    return folder.children.size();
}

void DirectoryFiller::FillFromRecord(ScanNode& folder, std::uint32_t record) {
    if (!ClaimRecord(record)) return;
    if (CopyChildren(folder, record, false) == 0) return;
    FillSubdirectories(folder);
}

std::size_t DirectoryFiller::AppendRecords(ScanNode& folder, std::span<const std::uint32_t> records) {
    std::vector<ScanNode> copies;
    try {
        copies.reserve(records.size());
        for (const std::uint32_t record : records) {
            RecordSlot* slot = table_.Find(record);
            if (slot == nullptr || slot->name == nullptr) continue;
            copies.push_back(slot->Node(record));
            slot->flags |= kPlacedInTree;
        }
    } catch (const std::bad_alloc&) {
        return 0;
    }
    const std::size_t appended = copies.size();
    if (appended == 0 || !AppendChildren(folder, std::move(copies))) return 0;
    SortChildren(folder, ChildOrder::Default);
    return appended;
}

void DirectoryFiller::Fill(ScanNode& directory, int depth) {
    if (depth > kMaxDepth || stop_.load(std::memory_order_relaxed) != 0) return;
    if (!directory.IsDirectory() || !directory.children.empty()) return;
    if (table_.ChildrenOf(directory.recordNumber).empty() || !ClaimRecord(directory.recordNumber)) return;
    if (CopyChildren(directory, directory.recordNumber, true) == 0) return;
    FillSubdirectories(directory, depth + 1);
}

void DirectoryFiller::FillSubdirectories(ScanNode& folder, int depth) {
    for (ScanNode& child : folder.children) {
        if (!child.IsDirectory()) break;  // directories sort first
        Fill(child, depth);
    }
}

}  // namespace tundrel
