// Node addresses as scripts write them.

#include <gtest/gtest.h>

#include "cli/node_address.h"
#include "scan/node_links.h"
#include "scan/tree_builder.h"

namespace tundrel::cli {
namespace {

TEST(NodeAddressTest, ParsesVolumeRootAndEscapedNames) {
    const auto address = ParseNodeAddress("2:Deleted/a%2Fb/c%25d%23e/f#3");
    ASSERT_TRUE(address);
    EXPECT_EQ(address->volume, 2u);
    EXPECT_EQ(address->root, RootIndex::Deleted);
    ASSERT_EQ(address->steps.size(), 3u);
    EXPECT_EQ(address->steps[0].name, u"a/b");
    EXPECT_EQ(address->steps[1].name, u"c%d#e");
    EXPECT_EQ(address->steps[2].name, u"f");
    EXPECT_EQ(address->steps[2].ordinal, 3u);

    for (const auto& [text, root] : {std::pair{"types", RootIndex::Types}, {"ROOT", RootIndex::Root},
                                     {"1:sCANNED", RootIndex::Scanned}}) {
        const auto plain = ParseNodeAddress(text);
        ASSERT_TRUE(plain) << text;
        EXPECT_EQ(plain->root, root) << text;
        EXPECT_TRUE(plain->steps.empty());
    }

    const auto japanese = ParseNodeAddress("root/フォルダ/日本語.txt");
    ASSERT_TRUE(japanese);
    EXPECT_EQ(japanese->steps[1].name, u"日本語.txt");
}

// Only "#N" with N >= 2 at the end of a component is a sibling number, and then the whole
// component is the other reading.
TEST(NodeAddressTest, HashIsASiblingNumberOnlyAtTheEnd) {
    const struct {
        const char* component;
        std::u16string name;
        unsigned ordinal;
        std::optional<std::u16string> literal;
    } cases[] = {
        {"#raft.txt", u"#raft.txt", 1, std::nullopt},
        {"a#b", u"a#b", 1, std::nullopt},
        {"a#", u"a#", 1, std::nullopt},
        {"x#1", u"x#1", 1, std::nullopt},
        {"a#99999999999", u"a#99999999999", 1, std::nullopt},
        {"a%232", u"a#2", 1, std::nullopt},
        {"a#2", u"a", 2, u"a#2"},
        {"#2", u"", 2, u"#2"},
        {"a%232#13", u"a#2", 13, u"a#2#13"},
    };
    for (const auto& c : cases) {
        const auto address = ParseNodeAddress(std::string("root/") + c.component);
        ASSERT_TRUE(address && address->steps.size() == 1) << c.component;
        const AddressStep& step = address->steps[0];
        EXPECT_EQ(step.name, c.name) << c.component;
        EXPECT_EQ(step.ordinal, c.ordinal) << c.component;
        EXPECT_EQ(step.literal, c.literal) << c.component;
    }
}

TEST(NodeAddressTest, RejectsMalformedAddresses) {
    for (const char* bad : {"", "nowhere/a", "x:root/a", "root/a%2", "root/a%zz", "root/a%2#2", "-1:root", "roots/a"}) {
        EXPECT_FALSE(ParseNodeAddress(bad)) << bad;
    }
}

class NodeAddressFolderTest : public ::testing::Test {
protected:
    void SetUp() override { LinkParents(root, LinkDepth::WholeSubtree); }
    const ScanNode* Chosen(const char* component, const ScanNode** passedOver = nullptr) {
        const auto address = ParseNodeAddress(std::string("root/") + component);
        EXPECT_TRUE(address) << component;
        if (!address) return nullptr;
        const StepChoice choice = ChooseChild(root, address->steps.at(0));
        if (passedOver != nullptr) *passedOver = choice.passedOver;
        return choice.node;
    }

    test::TreeBuilder b;
    ScanNode root = b.Dir(u"", {b.File(u"a"), b.File(u"a"), b.File(u"a#2"), b.Dir(u"b#3"), b.File(u"#raft.txt"),
                                b.File(u"a/b#c"), b.File(u"100%"), b.File(u"x#1"), b.Dir(u"b#3")});
};

TEST_F(NodeAddressFolderTest, EveryListedAddressLeadsBackToItsNode) {
    AddressBook book;
    std::vector<std::string> paths;
    for (const ScanNode& child : root.children) {
        paths.push_back(book.PathOf(child));
        EXPECT_EQ(Chosen(paths.back().c_str()), &child) << paths.back();
    }
    EXPECT_EQ(paths, (std::vector<std::string>{"a", "a#2", "a%232", "b%233", "#raft.txt", "a%2Fb#c", "100%25",
                                               "x%231", "b%233#2"}));
}

TEST_F(NodeAddressFolderTest, BothReadingsTakeTheSiblingAndSaySo) {
    const ScanNode* passedOver = nullptr;
    EXPECT_EQ(Chosen("a#2", &passedOver), &root.children[1]);
    ASSERT_EQ(passedOver, &root.children[2]);
    const std::string notice = AmbiguousStepNotice(ParseNodeAddress("root/a#2")->steps[0], *passedOver);
    EXPECT_NE(notice.find("a%232"), std::string::npos) << notice;  // how to write the one passed over
    // One reading alone is taken without a word; neither is no node.
    EXPECT_EQ(Chosen("b#3", &passedOver), &root.children[3]);
    EXPECT_EQ(passedOver, nullptr);
    EXPECT_EQ(Chosen("x#1"), &root.children[7]);
    EXPECT_EQ(Chosen("a#3"), nullptr);
    EXPECT_EQ(Chosen("a%233"), nullptr);
}

}  // namespace
}  // namespace tundrel::cli
