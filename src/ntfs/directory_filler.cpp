#include "ntfs/directory_filler.h"

#include <algorithm>
#include <new>

#include "scan/child_array.h"
#include "scan/node_links.h"
#include "scan/node_order.h"

namespace tundrel {

DirectoryFiller::DirectoryFiller(RecordTable& table, NamePool& names, const std::atomic<std::uint32_t>& stop)
    : table_(table), names_(names), stop_(stop), filled_(table.RecordCount(), false) {}

std::size_t DirectoryFiller::NodesOf(std::uint32_t record) const { return 1 + table_.StreamsOf(record).size(); }

void DirectoryFiller::PushWithStreams(std::vector<ScanNode>& nodes, ScanNode copy, std::uint32_t record) {
    const bool file = !copy.IsDirectory();
    nodes.push_back(std::move(copy));
    if (!file) return;
    const std::size_t fileIndex = nodes.size() - 1;
    for (const NamedStream& stream : table_.StreamsOf(record)) nodes.push_back(StreamNode(nodes[fileIndex], stream, names_));
}

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
        std::size_t nodes = 0;
        for (const ChildLink& link : links) nodes += NodesOf(link.child);
        folder.children.reserve(nodes);
        for (const ChildLink& link : links) {
            if (Stopped()) break;
            RecordSlot* slot = table_.Find(link.child);
            if (slot == nullptr) break;
            if (slot->name == nullptr) continue;
            ScanNode copy = slot->Node(link.child);
            copy.name = link.name;
            copy.parent = &folder;
            if (guardLoops && NameOccursAmongAncestors(folder, copy)) break;
            slot->flags |= kPlacedInTree;
            PushWithStreams(folder.children, std::move(copy), link.child);
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
        std::size_t nodes = 0;
        for (const std::uint32_t record : records) nodes += NodesOf(record);
        copies.reserve(nodes);
        for (const std::uint32_t record : records) {
            if (Stopped()) break;
            RecordSlot* slot = table_.Find(record);
            if (slot == nullptr || slot->name == nullptr) continue;
            ScanNode copy = slot->Node(record);
            slot->flags |= kPlacedInTree;
            PushWithStreams(copies, std::move(copy), record);
        }
    } catch (const std::bad_alloc&) {
        return 0;
    }
    const auto appended = static_cast<std::size_t>(
        std::count_if(copies.begin(), copies.end(), [](const ScanNode& node) { return !node.Has(kFlagStream); }));
    if (appended == 0 || !AppendChildren(folder, std::move(copies))) return 0;
    SortChildren(folder, ChildOrder::Default);
    return appended;
}

void DirectoryFiller::FileRecord(ScanNode& folder, std::uint32_t record) {
    RecordSlot* slot = table_.Find(record);
    if (slot == nullptr || slot->name == nullptr) return;
    std::vector<ScanNode> nodes;
    try {
        nodes.reserve(NodesOf(record));
        PushWithStreams(nodes, slot->Node(record), record);
    } catch (const std::bad_alloc&) {
        return;
    }
    slot->flags |= kPlacedInTree;
    const std::size_t first = folder.children.size();
    for (ScanNode& node : nodes) {
        if (!AppendChild(folder, std::move(node))) return;
    }
    Fill(folder.children[first], 1);
}

void DirectoryFiller::Fill(ScanNode& directory, int depth) {
    if (depth > kMaxDepth || Stopped()) return;
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
