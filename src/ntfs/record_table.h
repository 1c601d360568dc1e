#pragma once
// The scanner's table of MFT records, indexed by record number, and the child lists that
// link each record to the directories its names are filed under.

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "scan/scan_node.h"

namespace tundrel {

// On a table slot: the record has been copied into the result tree. The bit is the tree's
// pruned bit and must never travel with a copy.
inline constexpr std::uint32_t kPlacedInTree = kFlagPruned;

struct RecordSlot {
    ScanNode node;
    std::uint32_t parentRecord = 0;  // of the last accepted name
};

// One name of a record under one parent: a record with several names (hard links) is a
// child of each of its parents, under the name it has there.
struct ChildLink {
    std::uint32_t parent;
    std::uint32_t child;
    const char16_t* name;
};

class RecordTable {
public:
    static constexpr std::uint32_t kRecordsPerBlock = 10'000;
    static constexpr std::uint32_t kMaxBlocks = 5'000;

    // Sizes the table for `recordCount` records; false (and an empty table) when that needs
    // more than kMaxBlocks blocks.
    bool Reserve(std::uint64_t recordCount);
    std::uint32_t RecordCount() const { return recordCount_; }

    // The slot of a record, its block allocated zeroed on first touch; null outside the table
    // or when memory ran out.
    RecordSlot* Slot(std::uint32_t record);
    // The slot when its block exists, else null.
    RecordSlot* Find(std::uint32_t record);
    const RecordSlot* Find(std::uint32_t record) const;

    // Links are collected in parse order; SortLinks must run before ChildrenOf.
    void AddLink(ChildLink link) { links_.push_back(link); }
    // Drops the links added since `count` (a record that turned out unsound).
    void TruncateLinks(std::size_t count) { links_.resize(count); }
    std::size_t LinkCount() const { return links_.size(); }
    void SortLinks();
    // The record's children in the order their names were met.
    std::span<const ChildLink> ChildrenOf(std::uint32_t parent) const;

    // Calls visit(record, slot) for every slot of every allocated block, in record order.
    template <typename Visit>
    void ForEachSlot(Visit visit) {
        for (std::size_t block = 0; block < blocks_.size(); ++block) {
            if (!blocks_[block]) continue;
            const std::uint64_t first = std::uint64_t{block} * kRecordsPerBlock;
            for (std::uint32_t i = 0; i < kRecordsPerBlock && first + i < recordCount_; ++i) {
                visit(static_cast<std::uint32_t>(first + i), blocks_[block][i]);
            }
        }
    }

    void Release();
    std::size_t AllocatedBlocks() const;

private:
    std::vector<std::unique_ptr<RecordSlot[]>> blocks_;
    std::uint32_t recordCount_ = 0;
    std::vector<ChildLink> links_;
};

}  // namespace tundrel
