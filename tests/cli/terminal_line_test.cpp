// Status lines measured and cut in terminal columns.

#include <gtest/gtest.h>

#include "cli/terminal_line.h"

namespace tundrel::cli {
namespace {

TEST(TerminalLineTest, WideCharactersTakeTwoColumnsAndCutsNeverSplitOne) {
    EXPECT_EQ(TerminalColumns("abc"), 3u);
    EXPECT_EQ(TerminalColumns("スキャン"), 8u);
    EXPECT_EQ(TerminalColumns("e\xcc\x81"), 1u);  // e and a combining acute accent
    EXPECT_EQ(CutToColumns("スキャン中", 6), "スキ…");
    EXPECT_EQ(CutToColumns("スキャン中", 10), "スキャン中");
    EXPECT_EQ(CutToColumns("abcdef", 4), "abc…");
    EXPECT_EQ(CutToColumns("\xff\xfe", 1), "…");  // ill-formed bytes are measured, not read past
}

TEST(TerminalLineTest, PartsThatDoNotFitGoLeastImportantFirst) {
    const std::vector<std::string> parts = {"Tasks done: 1/2", "Reading", "", "Files: 12", "Size: 3K"};
    const std::vector<std::size_t> importance = {1, 3, 0, 4};
    EXPECT_EQ(FitParts(parts, importance, 80), "Tasks done: 1/2  Reading  Files: 12  Size: 3K");
    EXPECT_EQ(FitParts(parts, importance, 30), "Reading  Files: 12  Size: 3K");
    EXPECT_EQ(FitParts(parts, importance, 20), "Reading  Files: 12");
    EXPECT_EQ(FitParts(parts, importance, 4), "Rea…");
}

}  // namespace
}  // namespace tundrel::cli
