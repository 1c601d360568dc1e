// Names as the export writes them: safe path components and rename suggestions.

#include <gtest/gtest.h>

#include <set>

#include "export/rename_suggestion.h"
#include "export/safe_name.h"

namespace tundrel {
namespace {

TEST(SafeName, HostileAndBrokenNamesBecomeOneHarmlessComponent) {
    const struct {
        std::u16string_view name;
        const char* safe;
        bool changed;
    } cases[] = {
        {u"report.txt", "report.txt", false},   {u"日本語 ファイル.txt", "日本語 ファイル.txt", false},
        {u"../../etc/passwd", ".._.._etc_passwd", true}, {u"..", "__", true},  {u".", "_", true},
        {u"", "_", true},                        {u"a\nb\x7f", "a_b_", true},
        {std::u16string_view(u"nul\0x", 5), "nul_x", true}, {u"...", "...", false},
        {u"\xD800lone", "\xEF\xBF\xBDlone", true}, {u"file.txt:summary", "file.txt_summary", true},
    };
    for (const auto& c : cases) {
        const SafeName safe = SafePathComponent(c.name);
        EXPECT_EQ(safe.name, c.safe);
        EXPECT_EQ(safe.changed, c.changed) << c.safe;
    }
}

TEST(SafeName, LongNamesAreCutAtACharacterAndKeepTheirExtension) {
    const std::u16string japanese(200, u'あ');  // 600 bytes of UTF-8
    const SafeName safe = SafePathComponent(japanese + u".txt");
    EXPECT_TRUE(safe.changed);
    EXPECT_LE(safe.name.size(), kMaxNameBytes);
    EXPECT_TRUE(safe.name.ends_with("あ.txt"));
    EXPECT_EQ(safe.name.size() % 3, 4 % 3);  // whole characters, then ".txt"
}

TEST(RenameSuggestion, SuffixBeforeTheExtensionAndTakenNamesSkipped) {
    EXPECT_EQ(RenamedName("report.txt", 17), "report__rename_17.txt");
    EXPECT_EQ(RenamedName("archive.tar.gz", 5), "archive.tar__rename_5.gz");
    EXPECT_EQ(RenamedName("README", 5), "README__rename_5");
    EXPECT_EQ(RenamedName(".profile", 5), ".profile__rename_5");
    EXPECT_LE(RenamedName(std::string(300, 'x') + ".doc", 123456).size(), kMaxNameBytes);

    const std::set<std::string> taken = {"a__rename_9.txt", "a__rename_10.txt"};
    const auto isTaken = [&](const std::string& name) { return taken.count(name) != 0; };
    EXPECT_EQ(SuggestFreeName("a.txt", 9, isTaken), "a__rename_11.txt");
    EXPECT_EQ(SuggestFreeName("a.txt", 9, [](const std::string&) { return true; }), std::nullopt);
}

}  // namespace
}  // namespace tundrel
