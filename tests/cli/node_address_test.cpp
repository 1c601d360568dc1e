// Node addresses as scripts write them.

#include <gtest/gtest.h>

#include "cli/node_address.h"
#include "scan/node_links.h"
#include "scan/tree_builder.h"

namespace tundrel::cli {
namespace {

TEST(NodeAddressTest, ParsesVolumeRootAndEscapedNames) {
    const auto address = ParseNodeAddress("2:deleted/a%2Fb/c%25d%23e/f#3");
    ASSERT_TRUE(address);
    EXPECT_EQ(address->volume, 2u);
    EXPECT_EQ(address->root, RootIndex::Deleted);
    ASSERT_EQ(address->steps.size(), 3u);
    EXPECT_EQ(address->steps[0].name, u"a/b");
    EXPECT_EQ(address->steps[1].name, u"c%d#e");
    EXPECT_EQ(address->steps[2].name, u"f");
    EXPECT_EQ(address->steps[2].ordinal, 3u);

    const auto plain = ParseNodeAddress("types");
    ASSERT_TRUE(plain);
    EXPECT_EQ(plain->volume, 0u);
    EXPECT_EQ(plain->root, RootIndex::Types);
    EXPECT_TRUE(plain->steps.empty());

    const auto japanese = ParseNodeAddress("root/フォルダ/日本語.txt");
    ASSERT_TRUE(japanese);
    EXPECT_EQ(japanese->steps[1].name, u"日本語.txt");
}

TEST(NodeAddressTest, RejectsMalformedAddresses) {
    for (const char* bad : {"", "nowhere/a", "x:root/a", "root/a%2", "root/a%zz", "root/a#1", "root/a#", "root/a#x",
                            "-1:root"}) {
        EXPECT_FALSE(ParseNodeAddress(bad)) << bad;
    }
}

TEST(NodeAddressTest, PathNumbersSiblingsOfOneNameAndRoundTrips) {
    test::TreeBuilder b;
    ScanNode root = b.Dir(u"", {b.Dir(u"a/b#c", {b.File(u"same"), b.File(u"same")})});
    LinkParents(root, LinkDepth::WholeSubtree);

    const ScanNode& target = root.children[0].children[1];
    const std::string path = AddressBook().PathOf(target);
    EXPECT_EQ(path, "a%2Fb%23c/same#2");

    const auto parsed = ParseNodeAddress("root/" + path);
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->steps[0].name, u"a/b#c");
    EXPECT_EQ(parsed->steps[1].ordinal, 2u);
}

}  // namespace
}  // namespace tundrel::cli
