#include "scan/recently_deleted.h"

#include <gtest/gtest.h>

#include "scan/tree_builder.h"
#include "support/display_format.h"
#include "test_support.h"

namespace tundrel {
namespace {

using test::NamesOf;
using Names = std::vector<std::u16string>;

// 2024-05-20 01:00 in Tokyo, still 2024-05-19 in UTC: the window is counted in local days.
constexpr std::time_t kNow = 1716134400;

class RecentlyDeletedTest : public ::testing::Test {
protected:
    ScanNode Deleted(std::u16string_view name, std::uint16_t modified, std::uint16_t accessed = 0) {
        ScanNode node = b.File(name, 0, kFlagDeleted);
        node.modifiedDate = modified;
        node.accessedDate = accessed;
        return node;
    }

    const test::TimeZone tokyo{"Asia/Tokyo"};
    test::TreeBuilder b;
    ResultTree tree;
};

TEST_F(RecentlyDeletedTest, TakesDeletedFilesFromTheLastEightLocalDays) {
    const std::uint16_t oldest = PackFatDate(2024, 5, 12);
    const std::uint16_t dayBefore = PackFatDate(2024, 5, 11);
    ScanNode live = Deleted(u"live", oldest);
    live.Set(kFlagDeleted, false);
    tree[RootIndex::Recent].children = {b.File(u"existing")};
    tree[RootIndex::Lost].children = {
        b.Dir(u"Dir_1", {Deleted(u"sevenDays", PackFatDate(2024, 5, 13))}),
        Deleted(u"edge", oldest), Deleted(u"nineDays", dayBefore), Deleted(u"noDates", 0, 0),
        std::move(live)};
    tree[RootIndex::Deleted].children = {Deleted(u"readLately", dayBefore, oldest)};

    EXPECT_EQ(CollectRecentlyDeleted(tree, kNow), 3u);
    EXPECT_EQ(NamesOf(tree[RootIndex::Recent]),
              (Names{u"existing", u"sevenDays", u"edge", u"readLately"}));
    EXPECT_EQ(tree[RootIndex::Recent].children[1].parent, &tree[RootIndex::Recent]);
}

TEST_F(RecentlyDeletedTest, StopsAfterTwentyThousandAndOne) {
    const std::uint16_t today = PackFatDate(2024, 5, 20);
    tree[RootIndex::Lost].children.assign(kRecentLimit + 5, Deleted(u"f", today));
    tree[RootIndex::Deleted].children = {Deleted(u"g", today)};
    EXPECT_EQ(CollectRecentlyDeleted(tree, kNow), kRecentLimit + 1);
    EXPECT_EQ(tree[RootIndex::Recent].children.size(), kRecentLimit + 1);
}

}  // namespace
}  // namespace tundrel
