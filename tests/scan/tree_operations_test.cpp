#include <gtest/gtest.h>

#include <limits>

#include "scan/child_array.h"
#include "scan/directory_size.h"
#include "scan/lazy_children.h"
#include "scan/node_links.h"
#include "scan/node_path.h"
#include "scan/pruning.h"
#include "scan/tree_builder.h"

namespace tundrel {
namespace {

using test::NamesOf;
using test::ParentsLinked;
using test::TreeBuilder;
using Names = std::vector<std::u16string>;

TEST(TreeOperationsTest, PathsStartBelowTheRootFolder) {
    TreeBuilder b;
    ScanNode root = b.Dir(u"Root", {b.Dir(u"docs", {b.File(u"a.txt")})});
    LinkParents(root, LinkDepth::WholeSubtree);
    const ScanNode& docs = root.children[0];
    const ScanNode& file = docs.children[0];

    EXPECT_EQ(PathOf(&file), u"\\docs\\a.txt");
    EXPECT_EQ(PathOf(&docs), u"\\docs");
    EXPECT_EQ(PathOf(&root), u"Root");

    // The loop guard compares pooled names, not their text.
    EXPECT_TRUE(NameOccursAmongAncestors(file, docs));
    EXPECT_FALSE(NameOccursAmongAncestors(file, b.Dir(u"docs")));
}

TEST(TreeOperationsTest, SumSizesTotalsFilesBelowEachDirectory) {
    TreeBuilder b;
    ScanNode empty = b.Dir(u"empty");
    empty.size = 99;
    // A named stream beside its file adds nothing: the file's size stands for it.
    ScanNode stream = b.File(u"b:extra", 1000);
    stream.flags |= kFlagStream;
    ScanNode root = b.Dir(
        u"r",
        {b.File(u"a", 10), b.Dir(u"sub", {b.File(u"b", 5), std::move(stream), b.File(u"c", 7)}), std::move(empty)});
    EXPECT_EQ(SumSizes(root), 22u);
    EXPECT_EQ(root.children[1].size, 12u);
    EXPECT_EQ(root.children[2].size, 0u);

    constexpr auto kMax = std::numeric_limits<std::uint64_t>::max();
    ScanNode huge = b.Dir(u"h", {b.File(u"x", kMax - 1), b.File(u"y", 5)});
    EXPECT_EQ(SumSizes(huge), kMax);
}

TEST(TreeOperationsTest, CompactSortsAndDropsPrunedSubtrees) {
    TreeBuilder b;
    ScanNode gone = b.Dir(u"gone", {b.File(u"inner")});
    SetPrunedRecursive(gone, true);
    ScanNode root =
        b.Dir(u"r", {b.File(u"b"), std::move(gone), b.File(u"x", 0, kFlagPruned), b.File(u"a"),
                     b.Dir(u"keep", {b.File(u"z", 0, kFlagPruned), b.File(u"y")})});
    LinkParents(root, LinkDepth::WholeSubtree);
    Compact(root);
    EXPECT_EQ(NamesOf(root), (Names{u"keep", u"a", u"b"}));
    EXPECT_EQ(NamesOf(root.children[0]), (Names{u"y"}));
    EXPECT_TRUE(ParentsLinked(root));
}

TEST(TreeOperationsTest, LazyFillStopsFiftyLevelsDown) {
    TreeBuilder b;
    // A directory whose entry list holds itself, as a damaged volume can make it.
    DirectorySource loop;
    ScanNode self = b.Dir(u"self");
    self.dirSource = &loop;
    loop.entries = {self, b.File(u"f")};

    ScanNode top = b.Dir(u"top");
    top.dirSource = &loop;
    ASSERT_TRUE(FillLazyChildren(top));
    int levels = 0;
    for (const ScanNode* node = &top; !node->children.empty(); node = &node->children[0]) ++levels;
    EXPECT_EQ(levels, kLazyFillDepth);
    EXPECT_TRUE(ParentsLinked(top));

    // A directory that already has children is left as it is.
    ScanNode filled = b.Dir(u"filled", {b.File(u"own")});
    filled.dirSource = &loop;
    FillLazyChildren(filled);
    EXPECT_EQ(NamesOf(filled), (Names{u"own"}));
}

TEST(TreeOperationsTest, AppendingKeepsParentLinksWhenTheArrayMoves) {
    TreeBuilder b;
    ScanNode root = b.Dir(u"r");
    for (int i = 0; i < 40; ++i) ASSERT_TRUE(AppendChild(root, b.Dir(u"d", {b.File(u"f")})));
    ASSERT_TRUE(AppendChildren(root, {b.Dir(u"e", {b.File(u"g")}), b.File(u"h")}));
    EXPECT_EQ(root.children.size(), 42u);
    EXPECT_TRUE(ParentsLinked(root));
}

}  // namespace
}  // namespace tundrel
