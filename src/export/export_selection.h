#pragma once
// What the user chose to export: the checked bits of the result tree, and their totals.

#include <cstdint>
#include <string>
#include <vector>

#include "scan/result_tree.h"
#include "scan/scan_node.h"

namespace tundrel {

class VolumeScanner;

inline constexpr std::uint64_t kFatFileSizeLimit = std::uint64_t{4} << 30;

// Checked folders are exported with their checked children; a partly checked folder leads to
// checked nodes further down.
inline bool IsSelected(const ScanNode& node) { return node.Has(kFlagChecked) || node.Has(kFlagPartlyChecked); }

// Checks the node and everything below it, reading folders the scanner has not opened yet,
// and marks its ancestors partly checked (parent links must be set).
void CheckSubtree(VolumeScanner& scanner, ScanNode& node);

struct BigFile {
    std::u16string name;
    std::uint64_t size = 0;
};

struct SelectionTotals {
    std::uint32_t folders = 0;  // selected folders, root folders included
    std::uint32_t files = 0;    // checked files
    std::uint64_t bytes = 0;    // their sizes, each cut to its volume (what an export can write)
    std::vector<BigFile> bigFiles;  // checked files that no FAT file system can hold
};

// Adds up what is selected below the node (the node included), a node of `scanner`'s tree.
void AddSelection(const VolumeScanner& scanner, const ScanNode& node, SelectionTotals& totals);
SelectionTotals SelectionOf(const VolumeScanner& scanner);
bool HasSelection(const ResultTree& tree);

}  // namespace tundrel
