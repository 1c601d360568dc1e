#include "scan/result_tree.h"

#include <gtest/gtest.h>

#include "scan/tree_builder.h"

namespace tundrel {
namespace {

using test::NamesOf;
using test::TreeBuilder;
using Names = std::vector<std::u16string>;

TEST(ResultTreeTest, FinishScanSortsLinksAndTotalsEveryRoot) {
    TreeBuilder b;
    ResultTree tree;
    const auto numbered = [&] {
        return std::vector<ScanNode>{b.File(u"f", 1), b.Dir(u"Dir_10", {b.File(u"x", 4)}),
                                     b.Dir(u"Dir_007"), b.Dir(u"Dir_2")};
    };
    tree[RootIndex::Root].children = numbered();
    tree[RootIndex::Scanned].children = numbered();
    tree[RootIndex::Hidden].children = numbered();
    FinishScan(tree, b.pool);

    for (const ScanNode& root : tree.roots) EXPECT_TRUE(root.IsDirectory());
    EXPECT_EQ(NamesOf(tree[RootIndex::Scanned]), (Names{u"Dir_2", u"Dir_007", u"Dir_10", u"f"}));
    EXPECT_EQ(NamesOf(tree[RootIndex::Root]), (Names{u"Dir_007", u"Dir_10", u"Dir_2", u"f"}));
    EXPECT_EQ(NamesOf(tree[RootIndex::Hidden]), NamesOf(tree[RootIndex::Root]));
    EXPECT_EQ(tree[RootIndex::Scanned].size, 5u);
    for (const ScanNode& root : tree.roots) EXPECT_TRUE(test::ParentsLinked(root));
}

TEST(ResultTreeTest, FinishScanDefusesShellJunctionFolderNames) {
    TreeBuilder b;
    ResultTree tree;
    tree[RootIndex::Deleted].children = {
        b.Dir(u"a.{123}", {b.Dir(u"x.{1}.{2}"), b.Dir(u"keep.{1}x"), b.File(u"file.{1}")})};
    FinishScan(tree, b.pool);
    const ScanNode& renamed = tree[RootIndex::Deleted].children[0];
    EXPECT_EQ(std::u16string(renamed.name), u"a.[123}");
    EXPECT_EQ(NamesOf(renamed), (Names{u"x.[1}.[2}", u"keep.{1}x", u"file.{1}"}));
}

}  // namespace
}  // namespace tundrel
