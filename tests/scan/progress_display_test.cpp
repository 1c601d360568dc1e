// The texts a progress view shows from the progress block.

#include <gtest/gtest.h>

#include "scan/progress_display.h"
#include "test_support.h"

namespace tundrel {
namespace {

using Clock = ProgressDisplay::Clock;
using std::chrono::seconds;

class ProgressDisplayTest : public ::testing::Test {
protected:
    void SetUp() override { progress.timing = 1; }

    // The product's own layout of the Japanese texts.
    const test::ScopedLanguage japanese{Language::Japanese};
    ScanProgress progress;
    ProgressDisplay display;
    const Clock::time_point start{};
};

TEST_F(ProgressDisplayTest, RemainingTimeAppearsFromOnePercentOnAndIsRedrawnAtMostOnceASecond) {
    progress.totalUnits = 1000;
    progress.doneUnits = 5;
    display.Tick(progress, start);

    const std::string early = display.Tick(progress, start + seconds(10)).times;
    EXPECT_NE(early.find("00:10"), std::string::npos);
    EXPECT_EQ(early.substr(early.size() - std::string("残り時間 ").size()), "残り時間 ");

    progress.doneUnits = 100;  // 10 % after 20 s: 180 s to go
    const std::string later = display.Tick(progress, start + seconds(20)).times;
    EXPECT_NE(later.find("かかった時間 00:20"), std::string::npos);
    EXPECT_NE(later.find("残り時間 03:00"), std::string::npos);
    // Redrawn, 03:03 would show.
    EXPECT_EQ(display.Tick(progress, start + seconds(20) + std::chrono::milliseconds(400)).times, later);

    progress.timing = 0;  // cleared when timing stops
    EXPECT_TRUE(display.Tick(progress, start + seconds(25)).times.empty());
}

TEST_F(ProgressDisplayTest, UnknownTotalShowsNoTimesAndNoPosition) {
    progress.doneUnits = 10;
    const ProgressView view = display.Tick(progress, start + seconds(3));
    EXPECT_TRUE(view.times.empty());
    EXPECT_FALSE(view.showPosition);

    progress.totalUnits = 5;  // position beyond the total is not shown
    EXPECT_FALSE(display.Tick(progress, start + seconds(4)).showPosition);
}

TEST_F(ProgressDisplayTest, TitleNamesTaskAndTarget) {
    progress.taskNumber = 2;
    progress.taskCount = 3;
    progress.SetTargetName(u"HD1");
    progress.foundCount = 12;
    progress.foundBytes = 2048;
    const ProgressView view = display.Tick(progress, start);
    EXPECT_EQ(view.title, "終了したタスク: 2/3 。  ターゲット・ディスク：[HD1]");
    EXPECT_EQ(view.foundCount, "ファイル／フォルダーの数： 12");
    EXPECT_EQ(view.foundSize, "合計のサイズ： 2.00K");
}

}  // namespace
}  // namespace tundrel
