#include "ntfs/record_table.h"

#include <algorithm>
#include <new>
#include <utility>

namespace tundrel {

void RecordSlot::Store(const ScanNode& node) {
    name = node.name;
    size = node.size;
    flags = node.flags;
    location = node.location;
    extra = node.extra;
    createdTime = node.createdTime;
    modifiedTime = node.modifiedTime;
    createdDate = node.createdDate;
    accessedDate = node.accessedDate;
    modifiedDate = node.modifiedDate;
    milliseconds = node.milliseconds;
}

ScanNode RecordSlot::Node(std::uint32_t record) const {
    ScanNode node;
    node.flags = flags & ~kPlacedInTree;
    node.name = name;
    node.createdTime = createdTime;
    node.createdDate = createdDate;
    node.accessedDate = accessedDate;
    node.modifiedTime = modifiedTime;
    node.modifiedDate = modifiedDate;
    node.milliseconds = milliseconds;
    node.size = size;
    node.location = location;
    node.recordNumber = record;
    node.extra = extra;
    return node;
}

ChildLink ChildLinks::operator[](std::size_t at) const { return table_->LinkOf(parent_, entries_[at]); }

bool RecordTable::Reserve(std::uint64_t recordCount) {
    Release();
    const std::uint64_t blocks = (recordCount + kRecordsPerBlock - 1) / kRecordsPerBlock;
    if (blocks > kMaxBlocks) return false;
    blocks_.resize(static_cast<std::size_t>(blocks));
    recordCount_ = static_cast<std::uint32_t>(recordCount);
    return true;
}

RecordSlot* RecordTable::Slot(std::uint32_t record) {
    if (record >= recordCount_) return nullptr;
    auto& block = blocks_[record / kRecordsPerBlock];
    if (!block) {
        block.reset(new (std::nothrow) RecordSlot[kRecordsPerBlock]());
        if (!block) return nullptr;
    }
    return &block[record % kRecordsPerBlock];
}

const RecordSlot* RecordTable::Find(std::uint32_t record) const {
    if (record >= recordCount_) return nullptr;
    const auto& block = blocks_[record / kRecordsPerBlock];
    return block ? &block[record % kRecordsPerBlock] : nullptr;
}

RecordSlot* RecordTable::Find(std::uint32_t record) {
    return const_cast<RecordSlot*>(std::as_const(*this).Find(record));
}

bool RecordTable::FitsEntries(std::size_t earlierNames) const {
    return std::uint64_t{recordCount_} + earlierNames <= UINT32_MAX;
}

bool RecordTable::IndexChildren() {
    std::vector<std::uint32_t>().swap(firstEntry_);
    std::vector<std::uint32_t>().swap(entries_);
    if (!FitsEntries(earlierNames_.size())) return false;
    const auto byChild = [](const ChildLink& left, const ChildLink& right) { return left.child < right.child; };
    try {
        // The parser adds them in record order already.
        if (!std::is_sorted(earlierNames_.begin(), earlierNames_.end(), byChild)) {
            std::stable_sort(earlierNames_.begin(), earlierNames_.end(), byChild);
        }
        // Counted per parent, then summed so that firstEntry_[p] is the end of p's group.
        firstEntry_.assign(std::size_t{recordCount_} + 1, 0);
        ForEachSlot([&](std::uint32_t, const RecordSlot& slot) {
            if (slot.name != nullptr && slot.parentRecord < recordCount_) ++firstEntry_[slot.parentRecord];
        });
        for (const ChildLink& link : earlierNames_) {
            if (link.parent < recordCount_) ++firstEntry_[link.parent];
        }
        std::uint32_t total = 0;
        for (std::uint32_t& end : firstEntry_) {
            total += end;
            end = total;
        }
        entries_.resize(total);
        // Placed from the last name met backwards, each group's start moving down to its
        // first entry, so a group keeps the order the names were met in.
        std::size_t earlier = earlierNames_.size();
        for (std::uint32_t record = recordCount_; record-- > 0;) {
            const RecordSlot* slot = Find(record);
            if (slot != nullptr && slot->name != nullptr && slot->parentRecord < recordCount_) {
                entries_[--firstEntry_[slot->parentRecord]] = record;
            }
            for (; earlier > 0 && earlierNames_[earlier - 1].child >= record; --earlier) {
                const std::uint32_t parent = earlierNames_[earlier - 1].parent;
                if (parent < recordCount_) {
                    entries_[--firstEntry_[parent]] = recordCount_ + static_cast<std::uint32_t>(earlier - 1);
                }
            }
        }
    } catch (const std::bad_alloc&) {
        std::vector<std::uint32_t>().swap(firstEntry_);
        std::vector<std::uint32_t>().swap(entries_);
        return false;
    }
    return true;
}

ChildLinks RecordTable::ChildrenOf(std::uint32_t parent) const {
    if (parent >= recordCount_ || firstEntry_.empty()) return {*this, parent, {}};
    const std::uint32_t first = firstEntry_[parent];
    return {*this, parent, std::span<const std::uint32_t>(entries_).subspan(first, firstEntry_[parent + 1] - first)};
}

ChildLink RecordTable::LinkOf(std::uint32_t parent, std::uint32_t entry) const {
    if (entry >= recordCount_) return earlierNames_[entry - recordCount_];
    return {parent, entry, Find(entry)->name};
}

RecordSlot* RecordTable::NameRecord(std::uint32_t record, std::uint32_t parent, const char16_t* name) {
    RecordSlot* slot = Find(record);
    // A slot the parser filled holds the record's own sector; a name makes it its parent's child
    // when the children are indexed.
    if (slot == nullptr || slot->name != nullptr || slot->location == 0 || record == 0) return nullptr;
    slot->name = name;
    slot->parentRecord = parent;
    return slot;
}

void RecordTable::SortStreams() {
    std::stable_sort(streams_.begin(), streams_.end(),
                     [](const NamedStream& left, const NamedStream& right) { return left.record < right.record; });
}

std::span<const NamedStream> RecordTable::StreamsOf(std::uint32_t record) const {
    const auto first = std::lower_bound(streams_.begin(), streams_.end(), record,
                                         [](const NamedStream& stream, std::uint32_t value) { return stream.record < value; });
    auto last = first;
    while (last != streams_.end() && last->record == record) ++last;
    return {first, last};
}

void RecordTable::Release() {
    std::vector<std::unique_ptr<RecordSlot[]>>().swap(blocks_);
    std::vector<ChildLink>().swap(earlierNames_);
    std::vector<std::uint32_t>().swap(firstEntry_);
    std::vector<std::uint32_t>().swap(entries_);
    std::vector<NamedStream>().swap(streams_);
    std::vector<std::uint32_t>().swap(nameless_);
    std::vector<ExtensionName>().swap(extensionNames_);
    recordCount_ = 0;
}

std::size_t RecordTable::AllocatedBlocks() const {
    return static_cast<std::size_t>(std::count_if(blocks_.begin(), blocks_.end(), [](const auto& block) { return block != nullptr; }));
}

}  // namespace tundrel
