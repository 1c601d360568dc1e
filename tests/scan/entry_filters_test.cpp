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
    EXPECT_EQ(test::NamesOf(dir), (Names{u"a", u"a", u"A", u"A", u"A", u"c"}));

    ScanNode pair = b.Dir(u"p", {freed(u"a"), freed(u"a")});
    RemoveDuplicateEntries(pair);
    EXPECT_EQ(pair.children.size(), 2u);
}

TEST(EntryFiltersTest, LockAndTemporaryFilesAreNotListed) {
    EXPECT_FALSE(IsListedEntryName(nullptr));
    for (const char16_t* name : {u"", u"~$a", u"a.tmp", u"SAVE.TmP"}) EXPECT_FALSE(IsListedEntryName(name));
    for (const char16_t* name : {u"~$", u"a~$b", u".tmp", u"a.tmpx"}) EXPECT_TRUE(IsListedEntryName(name));
}

}  // namespace
}  // namespace tundrel
