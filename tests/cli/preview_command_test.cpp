// `tundrel preview` on the documents image: the pane's text on stdout, the hex view with its
// limit, and the errors of an address that names no file.

#include <gtest/gtest.h>

#include "cli/exit_codes.h"
#include "test_support.h"

namespace tundrel::cli {
namespace {

using test::RunTool;

TEST(PreviewCommand, ShowsTheTextTheGridAndTheHexViewOfAFoundFile) {
    const std::string image = test::TestImage("docs-fat32").string();
    const auto word = RunTool({"preview", image, "root/LIVE/english.docx", "--lang", "en"});
    ASSERT_EQ(word.status, kExitSuccess) << word.err;
    EXPECT_NE(word.out.find("Quarterly recovery report\n"), std::string::npos) << word.out;
    EXPECT_EQ(word.out.find('\r'), std::string::npos);

    const auto sheet = RunTool({"preview", image, "root/LIVE/japanese.xlsx"});
    ASSERT_EQ(sheet.status, kExitSuccess) << sheet.err;
    EXPECT_NE(sheet.out.find("ハードディスク\t12\t89.5\n"), std::string::npos) << sheet.out;

    const auto hex = RunTool({"preview", image, "root/LIVE/english.doc", "--hex", "--limit", "20"});
    ASSERT_EQ(hex.status, kExitSuccess) << hex.err;
    EXPECT_EQ(std::count(hex.out.begin(), hex.out.end(), '\n'), 2) << hex.out;
    EXPECT_EQ(hex.out.rfind("00000000", 0), 0u) << hex.out;
    EXPECT_NE(hex.out.find("D0 CF 11 E0"), std::string::npos) << hex.out;

    const std::pair<std::vector<std::string>, int> errors[] = {
        {{"preview", image, "root/LIVE"}, kExitUsage},
        {{"preview", image, "root/LIVE/missing.doc"}, kExitCannotScan},
        {{"preview", image, "root/LIVE/english.doc", "--limit", "0"}, kExitUsage},
    };
    for (const auto& [args, status] : errors) EXPECT_EQ(RunTool(args).status, status) << testing::PrintToString(args);
}

}  // namespace
}  // namespace tundrel::cli
