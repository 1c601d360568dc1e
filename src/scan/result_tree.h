#pragma once
// The seven fixed top-level folders in which a scan reports what it found.

#include <array>
#include <cstddef>

#include "scan/name_pool.h"
#include "scan/node_order.h"
#include "scan/scan_node.h"

namespace tundrel {

enum class RootIndex : std::size_t {
    Root = 0,  // the volume's directory tree
    Lost = 1,  // files and directories whose parent was not found
    Deleted = 2,
    Recent = 3,   // copies of recently deleted files
    Scanned = 4,  // found outside the directory tree
    Hidden = 5,   // hidden system files
    Types = 6,    // found by content, one folder per file type
};
inline constexpr std::size_t kRootCount = 7;

struct ResultTree {
    std::array<ScanNode, kRootCount> roots;

    ScanNode& operator[](RootIndex index) { return roots[static_cast<std::size_t>(index)]; }
    const ScanNode& operator[](RootIndex index) const {
        return roots[static_cast<std::size_t>(index)];
    }
};

// Gives the root folders their names from the string table.
void NameRootFolders(ResultTree& tree, NamePool& names);

// Lost, deleted and scanned data come in numbered folders; the rest sorts by name.
ChildOrder ChildOrderOf(RootIndex index);

// The closing steps of every scan, root by root: mark it a directory, sort its children,
// link parents, sum directory sizes, and rename directories that the Windows shell would
// take for class-id junctions ("name.{...}").
void FinishScan(ResultTree& tree, NamePool& names);

// Frees every root's subtree; the roots keep their names.
void ReleaseResultTree(ResultTree& tree);

}  // namespace tundrel
