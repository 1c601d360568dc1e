#pragma once
// Turning the entries of one FAT directory into the children of a result-tree node.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <span>
#include <unordered_set>
#include <vector>

#include "fat/fat_boot_parameters.h"
#include "scan/scan_node.h"

namespace tundrel {

class AnsiCodePage;
class NamePool;

// First clusters known to hold a live directory.
using DirectoryClusters = std::unordered_set<std::uint32_t>;

struct ListContext {
    std::uint32_t fsType = 0;                                // 1 FAT16, otherwise FAT32
    const FatBootParameters* parameters = nullptr;           // for the first-cluster bound
    DirectoryClusters* directoryClusters = nullptr;          // may be absent
    const std::atomic<std::uint32_t>* stop = nullptr;        // may be absent
    NamePool* names = nullptr;
    AnsiCodePage* codePage = nullptr;
    std::vector<ScanNode> scratch;                           // reused from listing to listing
};

// Makes the parent's children from `entryCount` 32-byte entries of `directory` (fewer when
// the buffer is shorter): sorted, same-named deleted entries resolved to the best one first,
// repeated freed entries dropped. With `testFirst`, a buffer that fails the directory-block
// test lists nothing and the result is false. An entry whose first cluster lies beyond the
// volume is left out; children of a deleted parent are deleted too.
bool ListDirectory(ScanNode& parent, std::span<const std::uint8_t> directory, std::size_t entryCount,
                   ListContext& context, bool testFirst);

}  // namespace tundrel
