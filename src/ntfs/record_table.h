#pragma once
// The scanner's table of MFT records, indexed by record number, and the child lists that
// link each record to the directories its names are filed under.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "ntfs/file_name_attribute.h"
#include "ntfs/named_stream.h"
#include "scan/scan_node.h"

namespace tundrel {

// On a table slot: the record has been copied into the result tree. The bit is the tree's
// pruned bit and must never travel with a copy.
inline constexpr std::uint32_t kPlacedInTree = kFlagPruned;

// What the scan keeps of one MFT record until the result tree is built: the fields of its
// tree node, without the tree's own links. The record number is the slot's index.
struct RecordSlot {
    const char16_t* name = nullptr;  // the last accepted name; null: the record is filed nowhere
    std::uint64_t size = 0;
    std::uint32_t flags = 0;
    std::uint32_t parentRecord = 0;  // of the last accepted name
    std::uint32_t location = 0;
    std::uint32_t extra = 0;
    std::uint32_t createdTime = 0;
    std::uint32_t modifiedTime = 0;
    std::uint16_t createdDate = 0;
    std::uint16_t accessedDate = 0;
    std::uint16_t modifiedDate = 0;
    std::uint16_t milliseconds = 0;

    bool Has(std::uint32_t flag) const { return (flags & flag) != 0; }
    bool IsDirectory() const { return Has(kFlagDirectory); }
    // Keeps the node's fields (its children, parent and directory source are not kept).
    void Store(const ScanNode& node);
    // The node of record `record` as the tree takes it: without the placed mark.
    ScanNode Node(std::uint32_t record) const;
};
// The table holds one slot per MFT record for the whole scan: it stays this small.
static_assert(sizeof(RecordSlot) <= 48);

// A $FILE_NAME met in an extension record: it names the base record.
struct ExtensionName {
    std::uint32_t base;
    FileName fileName;
};

// One name of a record under one parent: a record with several names (hard links) is a
// child of each of its parents, under the name it has there.
struct ChildLink {
    std::uint32_t parent;
    std::uint32_t child;
    const char16_t* name;
};

class RecordTable;

// The children of one record, in the order their names were met.
class ChildLinks {
public:
    class Iterator {
    public:
        Iterator(const ChildLinks& links, std::size_t at) : links_(&links), at_(at) {}
        ChildLink operator*() const { return (*links_)[at_]; }
        Iterator& operator++() {
            ++at_;
            return *this;
        }
        bool operator==(const Iterator& other) const { return at_ == other.at_; }

    private:
        const ChildLinks* links_;
        std::size_t at_;
    };

    ChildLinks(const RecordTable& table, std::uint32_t parent, std::span<const std::uint32_t> entries)
        : table_(&table), parent_(parent), entries_(entries) {}

    std::size_t size() const { return entries_.size(); }
    bool empty() const { return entries_.empty(); }
    ChildLink operator[](std::size_t at) const;
    Iterator begin() const { return {*this, 0}; }
    Iterator end() const { return {*this, entries_.size()}; }

private:
    const RecordTable* table_;
    std::uint32_t parent_;
    std::span<const std::uint32_t> entries_;
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

    // A named slot links itself under its parent by its own name. The names a record had
    // before its last one come here, in parse order; IndexChildren must run before
    // ChildrenOf.
    void AddLink(ChildLink link) { earlierNames_.push_back(link); }
    // Drops the links added since `count` (a record that turned out unsound).
    void TruncateLinks(std::size_t count) { earlierNames_.resize(count); }
    std::size_t LinkCount() const { return earlierNames_.size(); }
    // Groups the links by parent; false when memory ran out (no record then has children).
    bool IndexChildren();
    // The record's children in the order their names were met.
    ChildLinks ChildrenOf(std::uint32_t parent) const;

    // Named streams, kept like the links: SortStreams must run before StreamsOf.
    void AddStream(const NamedStream& stream) { streams_.push_back(stream); }
    void TruncateStreams(std::size_t count) { streams_.resize(count); }
    std::size_t StreamCount() const { return streams_.size(); }
    void SortStreams();
    std::span<const NamedStream> StreamsOf(std::uint32_t record) const;

    // Gives a base record that was read soundly but holds no name of its own the name `name`
    // under `parent`; null (nothing changed) for any other record. The children must be indexed
    // again afterwards.
    RecordSlot* NameRecord(std::uint32_t record, std::uint32_t parent, const char16_t* name);

    void AddExtensionName(ExtensionName name) { extensionNames_.push_back(std::move(name)); }
    void TruncateExtensionNames(std::size_t count) { extensionNames_.resize(count, ExtensionName{}); }
    std::size_t ExtensionNameCount() const { return extensionNames_.size(); }
    const std::vector<ExtensionName>& ExtensionNames() const { return extensionNames_; }

    // Directory records that end soundly but carry no name of their own (base records only).
    void AddNamelessDirectory(std::uint32_t record) { nameless_.push_back(record); }
    const std::vector<std::uint32_t>& NamelessDirectories() const { return nameless_; }

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
    friend class ChildLinks;

    // A child entry below recordCount_ is a record linked by its own name; one at or above
    // it is earlierNames_[entry - recordCount_].
    ChildLink LinkOf(std::uint32_t parent, std::uint32_t entry) const;
    bool FitsEntries(std::size_t earlierNames) const;

    std::vector<std::unique_ptr<RecordSlot[]>> blocks_;
    std::uint32_t recordCount_ = 0;
    std::vector<ChildLink> earlierNames_;
    // Children grouped by parent: those of record r are entries_[firstEntry_[r]] up to
    // entries_[firstEntry_[r + 1]].
    std::vector<std::uint32_t> firstEntry_;
    std::vector<std::uint32_t> entries_;
    std::vector<NamedStream> streams_;
    std::vector<std::uint32_t> nameless_;
    std::vector<ExtensionName> extensionNames_;
};

}  // namespace tundrel
