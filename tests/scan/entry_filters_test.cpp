#include <gtest/gtest.h>

#include "scan/duplicate_entries.h"
#include "scan/name_filter.h"
#include "scan/tree_builder.h"

namespace tundrel {
namespace {

using Names = std::vector<std::u16string>;

TEST(EntryFiltersTest, RepeatedFreeRecordsAfterTheSecondAreDropped) {
    test::TreeBuilder b;
    const auto freed = [&](std::u16string_view name) { return b.File(name, 0, kFlagRecordFree); };
    ScanNode dir = b.Dir(u"d", {freed(u"a"), freed(u"a"), freed(u"a"), freed(u"A"), b.File(u"A"),
                                freed(u"A"), freed(u"c"), freed(u"c")});
    RemoveDuplicateEntries(dir);
    EXPECT_EQ(test::ChildNames(dir), (Names{u"a", u"a", u"A", u"A", u"A", u"c"}));

    ScanNode pair = b.Dir(u"p", {freed(u"a"), freed(u"a")});
    RemoveDuplicateEntries(pair);
    EXPECT_EQ(pair.children.size(), 2u);
}

TEST(EntryFiltersTest, LockAndTemporaryFilesAreNotListed) {
    EXPECT_FALSE(IsListedEntryName(nullptr));
    EXPECT_FALSE(IsListedEntryName(u""));
    EXPECT_FALSE(IsListedEntryName(u"~$a"));
    EXPECT_FALSE(IsListedEntryName(u"a.tmp"));
    EXPECT_FALSE(IsListedEntryName(u"SAVE.TmP"));

    EXPECT_TRUE(IsListedEntryName(u"~$"));
    EXPECT_TRUE(IsListedEntryName(u"a~$b"));
    EXPECT_TRUE(IsListedEntryName(u".tmp"));
    EXPECT_TRUE(IsListedEntryName(u"a.tmpx"));
}

}  // namespace
}  // namespace tundrel
