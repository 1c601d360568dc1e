#include "scan/directory_size.h"

#include <limits>

namespace tundrel {

std::uint64_t SumSizes(ScanNode& node) {
    if (!node.IsDirectory()) return node.size;
    std::uint64_t total = 0;
    for (ScanNode& child : node.children) {
        const std::uint64_t childSize = SumSizes(child);
        // A named stream's bytes are its file's: the file's own size stands for it.
        if (child.Has(kFlagStream)) continue;
        // Sizes read from a damaged volume can be absurd; a total must not wrap round to a
        // small number.
        total = childSize > std::numeric_limits<std::uint64_t>::max() - total
                    ? std::numeric_limits<std::uint64_t>::max()
                    : total + childSize;
    }
    node.size = total;
    return total;
}

}  // namespace tundrel
