#include "scan/duplicate_entries.h"

#include <string_view>

#include "scan/pruning.h"

namespace tundrel {
namespace {

bool IsFreeRecordNamed(const ScanNode& node) {
    return node.Has(kFlagRecordFree) && node.name != nullptr;
}

}  // namespace

void RemoveDuplicateEntries(ScanNode& directory) {
    auto& children = directory.children;
    if (children.size() <= 2) return;
    bool anyPruned = false;
    for (std::size_t i = 2; i < children.size(); ++i) {
        const ScanNode& previous = children[i - 1];
        ScanNode& entry = children[i];
        if (IsFreeRecordNamed(entry) && IsFreeRecordNamed(previous) &&
            std::u16string_view(entry.name) == std::u16string_view(previous.name)) {
            entry.Set(kFlagPruned, true);
            anyPruned = true;
        }
    }
    if (anyPruned) DropPrunedChildren(directory);
}

}  // namespace tundrel
