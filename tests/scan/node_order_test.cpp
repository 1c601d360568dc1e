#include "scan/node_order.h"

#include <gtest/gtest.h>

#include "scan/tree_builder.h"

namespace tundrel {
namespace {

using test::NamesOf;
using test::TreeBuilder;
using Names = std::vector<std::u16string>;

TEST(NodeOrderTest, DirectoriesComeFirstThenNamesIgnoringCase) {
    TreeBuilder b;
    ScanNode dir = b.Dir(u"d", {b.File(u"b"), b.File(u"B.txt"), b.Dir(u"Z"), b.File(u"a.txt"),
                                b.File(u"A"), b.Dir(u"y")});
    SortChildren(dir, ChildOrder::Default);
    EXPECT_EQ(NamesOf(dir), (Names{u"y", u"Z", u"A", u"a.txt", u"b", u"B.txt"}));
    EXPECT_EQ(CompareNames(nullptr, u"x"), 0);
}

TEST(NodeOrderTest, EqualNamesPutLiveFilesAndFullerDirectoriesFirst) {
    TreeBuilder b;
    ScanNode dir =
        b.Dir(u"d", {b.File(u"x", 0, kFlagDeleted), b.File(u"X"), b.Dir(u"s", {b.File(u"1")}),
                     b.Dir(u"S", {b.File(u"1"), b.File(u"2")})});
    SortChildren(dir, ChildOrder::Default);
    ASSERT_EQ(NamesOf(dir), (Names{u"S", u"s", u"X", u"x"}));
    EXPECT_FALSE(dir.children[2].Has(kFlagDeleted));
    // The moved directories' own children still point back at them.
    EXPECT_TRUE(test::ParentsLinked(dir));
}

TEST(NodeOrderTest, NumberedFoldersFollowTheirNumbers) {
    TreeBuilder b;
    ScanNode dir = b.Dir(u"d", {b.Dir(u"Dir_10"), b.File(u"Dir_1"), b.Dir(u"Dir_007"), b.Dir(u"Cluster_1000"),
                                b.Dir(u"Dir_2"), b.Dir(u"Archive"), b.Dir(u"Cluster_999")});
    SortChildren(dir, ChildOrder::NumberedFolders);
    EXPECT_EQ(NamesOf(dir),
              (Names{u"Archive", u"Cluster_999", u"Cluster_1000", u"Dir_2", u"Dir_007", u"Dir_10", u"Dir_1"}));
    // Numbers longer than any integer type still compare by value.
    EXPECT_LT(CompareNodes(b.Dir(u"Dir_99999999999999999999"), b.Dir(u"Dir_100000000000000000000"),
                           ChildOrder::NumberedFolders),
              0);
}

}  // namespace
}  // namespace tundrel
