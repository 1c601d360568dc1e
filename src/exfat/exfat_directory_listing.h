#pragma once
// Turning the entry sets of one exFAT directory into the children of a result-tree node.

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "scan/scan_node.h"

namespace tundrel {

class NamePool;

// Name of the node made for the allocation bitmap entry of a root directory.
inline constexpr std::u16string_view kBitmapNodeName = u"$Bitmap";

struct ExFatListContext {
    NamePool* names = nullptr;
    std::vector<ScanNode> scratch;  // reused from listing to listing
};

// Makes the parent's children from the entry sets of `directory` (its size / 32 entries), in
// the default child order and linked to the parent. A set gives a node only when its stream
// entry and all its name entries follow the file entry in place; deleted sets give deleted
// nodes (their clusters taken as contiguous), except an empty deleted file, which has nothing
// to recover. Children of a deleted parent are deleted too. With `testFirst`, a buffer that
// fails the directory-block test lists nothing and the result is false. The parent keeps its
// children when no node is made.
bool ListExFatDirectory(ScanNode& parent, std::span<const std::uint8_t> directory, ExFatListContext& context,
                        bool testFirst);

}  // namespace tundrel
