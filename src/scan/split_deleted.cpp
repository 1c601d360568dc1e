#include "scan/split_deleted.h"

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
    copy.validSize = node.validSize;
    copy.location = node.location;
    copy.dirSource = node.dirSource;
    copy.recordNumber = node.recordNumber;
    copy.extra = node.extra;
    return copy;
}

}  // namespace

void SplitDeleted(ScanNode& source, ScanNode& destination, SplitLevel level) {
    std::vector<ScanNode> kept;
    std::vector<ScanNode> collected;
    for (ScanNode& child : source.children) {
        const bool movesWhole =
            child.Has(kFlagDeleted) || (level == SplitLevel::TopLevel && IsHiddenSystemRecycleBin(child));
        if (movesWhole) {
            collected.push_back(std::move(child));
            continue;
        }
        if (child.IsDirectory() && !child.children.empty()) {
            ScanNode copy = CopyWithoutChildren(child);
            SplitDeleted(child, copy, SplitLevel::Nested);
            if (!copy.children.empty()) collected.push_back(std::move(copy));
        }
        kept.push_back(std::move(child));
    }
    source.children = std::move(kept);
    if (source.children.empty()) {
        ReleaseSubtree(source);
    } else {
        RelinkMovedChildren(source);
    }
    if (!collected.empty()) AppendChildren(destination, std::move(collected));
}

}  // namespace tundrel
