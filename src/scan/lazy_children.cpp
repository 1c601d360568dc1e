#include "scan/lazy_children.h"

#include "scan/child_array.h"

namespace tundrel {
namespace {

bool Fill(ScanNode& directory, int levelsLeft) {
    if (levelsLeft <= 0 || !directory.children.empty() || directory.dirSource == nullptr) {
        return true;
    }
    if (!AssignChildren(directory, directory.dirSource->entries)) return false;
    bool complete = true;
    for (ScanNode& child : directory.children) {
        if (child.IsDirectory() && !Fill(child, levelsLeft - 1)) complete = false;
    }
    return complete;
}

}  // namespace

bool FillLazyChildren(ScanNode& directory) { return Fill(directory, kLazyFillDepth); }

}  // namespace tundrel
