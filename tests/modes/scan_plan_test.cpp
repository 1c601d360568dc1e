// The tasks of the lost-partition recovery when its search is stopped: the partitions the
// table lists are still planned, and the search's report says how many it had.

#include <gtest/gtest.h>

#include "disk/lost_partition_search.h"
#include "manifest.h"
#include "modes/all_scanners.h"
#include "modes/scan_plan.h"
#include "test_support.h"

namespace tundrel {
namespace {

class CountingReport final : public LostPartitionReport {
public:
    void SweepExtent(std::uint64_t) override {}
    void SweepPosition(std::uint64_t cylinder) override { swept = std::max(swept, cylinder + 1); }
    void FoundCount(std::size_t count) override { found = count; }

    std::uint64_t swept = 0;
    std::size_t found = 0;
};

TEST(ScanPlanTest, StoppedPartitionSearchPlansTheTablesPartitionsAlone) {
    const nlohmann::json table = test::ManifestJson("lost-mbr")["partitions"];
    ASSERT_EQ(table.size(), 1u);
    for (const bool stopped : {false, true}) {
        SCOPED_TRACE(stopped ? "stopped" : "searched through");
        const std::atomic<std::uint32_t> stop{stopped ? 1u : 0u};
        CountingReport report;
        ScanRequest request;
        request.source = test::TestImage("lost-mbr").string();
        request.mode = kModeFullScan;
        request.lostPartitions = true;
        request.searchStop = &stop;
        request.searchReport = &report;
        const ScanPlan plan = PlanScanTasks(request, AllFileSystems(), AllScanners());
        ASSERT_EQ(plan.refusal, PlanRefusal::None) << plan.error;
        EXPECT_EQ(report.found, stopped ? 1u : 5u);
        if (stopped) {
            EXPECT_EQ(report.swept, 0u);
            ASSERT_EQ(plan.tasks.size(), 1u);
            EXPECT_EQ(plan.tasks[0].volume.startSector, table[0]["startSector"].get<std::uint32_t>());
        } else {
            // The four partitions deleted from the table are found too.
            EXPECT_GT(report.swept, 0u);
            EXPECT_EQ(plan.tasks.size(), 5u);
        }
    }
}

}  // namespace
}  // namespace tundrel
