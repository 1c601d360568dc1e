#include "ntfs/record_table.h"

#include <algorithm>
#include <new>
#include <utility>

namespace tundrel {

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

void RecordTable::SortLinks() {
    std::stable_sort(links_.begin(), links_.end(),
                     [](const ChildLink& left, const ChildLink& right) { return left.parent < right.parent; });
}

std::span<const ChildLink> RecordTable::ChildrenOf(std::uint32_t parent) const {
    const auto first = std::lower_bound(links_.begin(), links_.end(), parent,
                                         [](const ChildLink& link, std::uint32_t value) { return link.parent < value; });
    auto last = first;
    while (last != links_.end() && last->parent == parent) ++last;
    return {first, last};
}

RecordSlot* RecordTable::NameRecord(std::uint32_t record, std::uint32_t parent, const char16_t* name) {
    RecordSlot* slot = Find(record);
    if (slot == nullptr || slot->node.name != nullptr || slot->node.recordNumber != record || record == 0) return nullptr;
    slot->node.name = name;
    slot->parentRecord = parent;
    AddLink({parent, record, name});
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
    blocks_.clear();
    blocks_.shrink_to_fit();
    links_.clear();
    links_.shrink_to_fit();
    streams_.clear();
    streams_.shrink_to_fit();
    nameless_.clear();
    nameless_.shrink_to_fit();
    extensionNames_.clear();
    extensionNames_.shrink_to_fit();
    recordCount_ = 0;
}

std::size_t RecordTable::AllocatedBlocks() const {
    return static_cast<std::size_t>(std::count_if(blocks_.begin(), blocks_.end(), [](const auto& block) { return block != nullptr; }));
}

}  // namespace tundrel
