#pragma once
// The lost-partition search's counts on the progress line: cylinders swept, partitions found.

#include "disk/lost_partition_search.h"
#include "scan/scan_progress.h"

namespace tundrel::cli {

class SearchProgress final : public LostPartitionReport {
public:
    // Starts the line at "0 partitions found".
    explicit SearchProgress(ScanProgress& progress);
    void SweepExtent(std::uint64_t cylinders) override;
    void SweepPosition(std::uint64_t cylinder) override;
    void FoundCount(std::size_t count) override;

private:
    ScanProgress& progress_;
};

}  // namespace tundrel::cli
