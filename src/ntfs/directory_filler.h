#pragma once
// Builds result-tree directories from the record table's child lists.

#include <atomic>
#include <cstdint>
#include <span>
#include <vector>

#include "ntfs/record_table.h"
#include "scan/name_pool.h"
#include "scan/scan_node.h"

namespace tundrel {

class DirectoryFiller {
public:
    // Directories nested deeper than this below the starting folder stay empty.
    static constexpr int kMaxDepth = 70;

    // Stream nodes ("file:stream") are named in `names`.
    DirectoryFiller(RecordTable& table, NamePool& names, const std::atomic<std::uint32_t>& stop);

    // Copies the named children of `record` into `folder` (which has none yet), each under
    // the name it has in that directory followed by its named streams, and marks their table
    // slots as placed. `guardLoops`
    // stops at a child whose name already names the folder or one of its ancestors. Returns
    // the number copied.
    std::size_t CopyChildren(ScanNode& folder, std::uint32_t record, bool guardLoops);

    // Fills a root folder from record `record` (the volume root): every named child is
    // copied, then every subdirectory filled. The record itself is not filled again below.
    void FillFromRecord(ScanNode& folder, std::uint32_t record);

    // Appends copies of the named records (each under the name its record ends with) to a
    // made-up folder, marks them placed and sorts the folder. Returns the number appended.
    std::size_t AppendRecords(ScanNode& folder, std::span<const std::uint32_t> records);

    // Appends one named record (and its streams) to a made-up folder without sorting it, and
    // fills it when it is a directory, so that records below it are placed before they are
    // met on their own. The caller sorts the folder once, when its filing is done.
    void FileRecord(ScanNode& folder, std::uint32_t record);

    bool Stopped() const { return stop_.load(std::memory_order_relaxed) != 0; }

    // Fills a directory node from its record's child list, then its subdirectories, down to
    // kMaxDepth levels. Each record's children are copied once: a directory met again (a
    // second name, or a loop) stays empty there, so the tree never grows beyond the table.
    void Fill(ScanNode& directory, int depth);

    // Fills every subdirectory of `folder` (a root or made-up folder) at depth 1.
    void FillSubdirectories(ScanNode& folder, int depth = 1);

private:
    bool ClaimRecord(std::uint32_t record);
    // Nodes a file's copy brings: itself and one per named stream.
    std::size_t NodesOf(std::uint32_t record) const;
    void PushWithStreams(std::vector<ScanNode>& nodes, ScanNode copy, std::uint32_t record);

    RecordTable& table_;
    NamePool& names_;
    const std::atomic<std::uint32_t>& stop_;
    std::vector<bool> filled_;  // by record number: its children were copied once already
};

}  // namespace tundrel
