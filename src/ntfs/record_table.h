#pragma once
// The scanner's table of MFT records, indexed by record number, and the child lists that
// link each record to the directories its names are filed under.

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

struct RecordSlot {
    ScanNode node;
    std::uint32_t parentRecord = 0;  // of the last accepted name
};

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

    // Named streams, kept like the links: SortStreams must run before StreamsOf.
    void AddStream(const NamedStream& stream) { streams_.push_back(stream); }
    void TruncateStreams(std::size_t count) { streams_.resize(count); }
    std::size_t StreamCount() const { return streams_.size(); }
    void SortStreams();
    std::span<const NamedStream> StreamsOf(std::uint32_t record) const;

    // Gives a base record that was read soundly but holds no name of its own the name `name`
    // under `parent`, and links it there; null (nothing changed) for any other record. The
    // links must be sorted again afterwards.
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
    std::vector<std::unique_ptr<RecordSlot[]>> blocks_;
    std::uint32_t recordCount_ = 0;
    std::vector<ChildLink> links_;
    std::vector<NamedStream> streams_;
    std::vector<std::uint32_t> nameless_;
    std::vector<ExtensionName> extensionNames_;
};

}  // namespace tundrel
