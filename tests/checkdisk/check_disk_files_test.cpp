// Moving check-disk files out of a tree, as the NTFS and FAT deleted-file scans do: nested ones
// go under copies of their folders, and the sizes and links of both trees are made right.

#include <gtest/gtest.h>

#include "scan/tree_builder.h"
#include "checkdisk/check_disk_files.h"

namespace tundrel {
namespace {

using Names = std::vector<std::u16string>;

TEST(CheckDiskFilesTest, NestedFilesMoveUnderCopiesOfTheirFolders) {
    test::TreeBuilder tree;
    ScanNode root = tree.Dir(u"root", {
        tree.Dir(u"A", {tree.Dir(u"B", {tree.File(u"file0007.Chk", 50), tree.File(u"kept.txt", 3)})}),
        tree.Dir(u"FOUND.000", {tree.File(u"FILE0000.CHK", 100)}),
        tree.Dir(u"DIR.CHK", {tree.File(u"inside.txt", 7)}),  // a folder is no check-disk file
        tree.File(u"TOP.CHK", 20),
        tree.File(u"CHK", 1),
    });
    ScanNode lost = tree.Dir(u"lost", {tree.File(u"earlier.bin", 4)});
    MoveCheckDiskFiles(root, lost);

    EXPECT_EQ(test::NamesOf(root), (Names{u"A", u"FOUND.000", u"DIR.CHK", u"CHK"}));
    EXPECT_TRUE(root.children[1].children.empty());
    EXPECT_EQ(test::NamesOf(root.children[0].children[0]), Names{u"kept.txt"});
    EXPECT_EQ(test::NamesOf(lost), (Names{u"earlier.bin", u"A", u"FOUND.000", u"TOP.CHK"}));
    EXPECT_EQ(test::NamesOf(lost.children[1].children[0]), Names{u"file0007.Chk"});
    EXPECT_EQ(lost.size, 4u + 50 + 100 + 20);
    EXPECT_EQ(root.size, 3u + 7 + 1);
    EXPECT_TRUE(test::ParentsLinked(root) && test::ParentsLinked(lost));
}

}  // namespace
}  // namespace tundrel
