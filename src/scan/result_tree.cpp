#include "scan/result_tree.h"

#include <string>
#include <string_view>

#include "scan/child_array.h"
#include "scan/directory_size.h"
#include "scan/node_links.h"
#include "support/strings.h"

namespace tundrel {
namespace {

constexpr std::array<StringId, kRootCount> kRootNames{
    StringId::RootDirectory, StringId::LostFiles,
    StringId::DeletedFiles,  StringId::RecentlyDeletedFiles,
    StringId::ScannedFiles,  StringId::HiddenSystemFiles,
    StringId::FileTypes,
};

// Windows Explorer opens a folder named "name.{class id}" as the shell object of that class
// instead of as a folder, so a recovered folder with such a name would be unreachable there.
bool LooksLikeShellJunction(std::u16string_view name) {
    return name.find(u".{") != std::u16string_view::npos && name.ends_with(u'}');
}

std::u16string WithoutShellJunction(std::u16string_view name) {
    std::u16string renamed(name);
    for (std::size_t at = renamed.find(u".{"); at != std::u16string::npos;
         at = renamed.find(u".{", at + 2)) {
        renamed[at + 1] = u'[';
    }
    return renamed;
}

void RenameShellJunctions(ScanNode& directory, NamePool& names) {
    for (ScanNode& child : directory.children) {
        if (!child.IsDirectory()) continue;
        if (child.name != nullptr && LooksLikeShellJunction(child.name)) {
            child.name = names.Add(WithoutShellJunction(child.name));
        }
        RenameShellJunctions(child, names);
    }
}

}  // namespace

void NameRootFolders(ResultTree& tree, NamePool& names) {
    for (std::size_t i = 0; i < kRootCount; ++i) {
        tree.roots[i].name = names.Add(Text16(kRootNames[i]));
    }
}

ChildOrder ChildOrderOf(RootIndex index) {
    switch (index) {
        case RootIndex::Lost:
        case RootIndex::Deleted:
        case RootIndex::Scanned:
            return ChildOrder::NumberedFolders;
        default:
            return ChildOrder::Default;
    }
}

void FinishScan(ResultTree& tree, NamePool& names) {
    for (std::size_t i = 0; i < kRootCount; ++i) {
        ScanNode& root = tree.roots[i];
        root.Set(kFlagDirectory, true);
        // The file-type folders stand in the type table's order, in which carving attached them.
        if (static_cast<RootIndex>(i) != RootIndex::Types) SortChildren(root, ChildOrderOf(static_cast<RootIndex>(i)));
        LinkParents(root, LinkDepth::WholeSubtree);
        SumSizes(root);
        RenameShellJunctions(root, names);
    }
}

void ReleaseResultTree(ResultTree& tree) {
    for (ScanNode& root : tree.roots) ReleaseSubtree(root);
}

}  // namespace tundrel
