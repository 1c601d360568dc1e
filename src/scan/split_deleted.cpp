#include "scan/split_deleted.h"

#include <algorithm>
#include <vector>

#include "scan/recycle_bin_folder.h"
#include "scan/child_array.h"
#include "scan/node_links.h"

namespace tundrel {
namespace {

bool IsHiddenSystemRecycleBin(const ScanNode& node) {
    return node.IsDirectory() && node.Has(kFlagHidden) && node.Has(kFlagSystem) && IsRecycleBinFolderName(node.name);
}

ScanNode CopyWithoutChildren(const ScanNode& node) {
    ScanNode copy;
    copy.flags = node.flags;
    copy.name = node.name;
    copy.createdTime = node.createdTime;
    copy.createdDate = node.createdDate;
    copy.accessedDate = node.accessedDate;
    copy.modifiedTime = node.modifiedTime;
    copy.modifiedDate = node.modifiedDate;
    copy.milliseconds = node.milliseconds;
    copy.size = node.size;
    copy.location = node.location;
    copy.dirSource = node.dirSource;
    copy.recordNumber = node.recordNumber;
    copy.extra = node.extra;
    return copy;
}

bool IsDeletedOrTopRecycleBin(const ScanNode& child, SplitLevel level) {
    return child.Has(kFlagDeleted) || (level == SplitLevel::TopLevel && IsHiddenSystemRecycleBin(child));
}

}  // namespace

void SplitDeleted(ScanNode& source, ScanNode& destination, SplitLevel level) {
    SplitChildren(source, destination, IsDeletedOrTopRecycleBin, level);
}

void SplitChildren(ScanNode& source, ScanNode& destination, MovesWholeTest movesWhole, SplitLevel level) {
    std::vector<ScanNode>& children = source.children;
    // Sized for the most that can move, so the list never grows by doubling.
    std::vector<ScanNode> collected;
    collected.reserve(static_cast<std::size_t>(std::count_if(children.begin(), children.end(), [&](const ScanNode& child) {
        return movesWhole(child, level) || (child.IsDirectory() && !child.children.empty());
    })));
    // The kept children close up in place, so the directory's array is never held twice.
    std::size_t kept = 0;
    for (std::size_t at = 0; at < children.size(); ++at) {
        ScanNode& child = children[at];
        if (movesWhole(child, level)) {
            collected.push_back(std::move(child));
            continue;
        }
        if (child.IsDirectory() && !child.children.empty()) {
            ScanNode copy = CopyWithoutChildren(child);
            SplitChildren(child, copy, movesWhole, SplitLevel::Nested);
            if (!copy.children.empty()) collected.push_back(std::move(copy));
        }
        if (kept != at) children[kept] = std::move(child);
        ++kept;
    }
    if (kept != children.size()) {
        children.erase(children.begin() + static_cast<std::ptrdiff_t>(kept), children.end());
        children.shrink_to_fit();
    }
    if (children.empty()) {
        ReleaseSubtree(source);
    } else {
        RelinkMovedChildren(source);
    }
    if (!collected.empty()) AppendChildren(destination, std::move(collected));
}

}  // namespace tundrel
