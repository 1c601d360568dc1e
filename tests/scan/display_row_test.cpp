#include "scan/display_row.h"

#include <gtest/gtest.h>

#include "scan/node_links.h"
#include "scan/tree_builder.h"
#include "support/display_format.h"

namespace tundrel {
namespace {

TEST(DisplayRowTest, ShowsEveryColumnOfANode) {
    test::TreeBuilder b;
    ScanNode root = b.Dir(u"Root", {b.Dir(u"写真", {b.File(u"a.jpg", 1536)})});
    const DirectorySource prefix{{}, u"C:"};
    root.dirSource = &prefix;
    LinkParents(root, LinkDepth::WholeSubtree);
    ScanNode& file = root.children[0].children[0];
    file.createdDate = PackFatDate(2024, 5, 1);
    file.createdTime = PackTime(10, 20, 30);
    file.accessedDate = PackFatDate(2024, 5, 3);
    file.flags |= kFlagSystem | kFlagArchive | kFlagHidden | kFlagChecked;

    const DisplayRow row = MakeDisplayRow(file);
    EXPECT_EQ(row.created, "2024-05-01 10:20:30");
    EXPECT_EQ(row.accessed, "2024-05-03");
    EXPECT_EQ(row.attributes, "a h s ");
    EXPECT_EQ(row.location, "C:\\写真\\a.jpg");
    EXPECT_EQ(row.checkImage, CheckImage::Checked);
    EXPECT_EQ(MakeDisplayRow16(file).location, u"C:\\写真\\a.jpg");

    EXPECT_EQ(AttributeLetters(0xFFFFFFFF), "a b c d e h r s ");
    EXPECT_EQ(AttributeLetters(kFlagDeleted | kFlagPruned | kFlagDirectory), "");
    EXPECT_EQ(CheckImageOf(kFlagChecked | kFlagPartlyChecked), CheckImage::PartlyChecked);
}

}  // namespace
}  // namespace tundrel
