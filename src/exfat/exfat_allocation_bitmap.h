#pragma once
// The allocation bitmap of an exFAT volume: one bit per cluster of the heap, set while the
// cluster is in use.

#include <cstdint>
#include <span>
#include <vector>

#include "fat/cluster_runs.h"
#include "scan/scan_node.h"

namespace tundrel {

class AllocationBitmap {
public:
    AllocationBitmap() = default;
    explicit AllocationBitmap(std::vector<std::uint8_t> bytes) : bytes_(std::move(bytes)) {}

    bool Empty() const { return bytes_.empty(); }
    std::size_t Length() const { return bytes_.size(); }
    std::span<const std::uint8_t> Bytes() const { return bytes_; }
    // Whether the cluster's bit lies inside the bitmap.
    bool Covers(std::uint32_t cluster) const;
    // True when the cluster's bit lies inside the bitmap and is set.
    bool IsUsed(std::uint32_t cluster) const;
    void MarkUsed(std::uint32_t cluster);
    // The number of set bits: the clusters in use.
    std::uint64_t CountUsed() const;
    // Byte `index` of the bitmap; 0 beyond its end.
    std::uint8_t ByteAt(std::size_t index) const { return index < bytes_.size() ? bytes_[index] : 0; }
    void Release();

private:
    std::vector<std::uint8_t> bytes_;
};

// The runs of clusters in [2, limit) that are not in use. Clusters beyond the bitmap's end are
// not known to be used, so they count as free.
ClusterRunList FreeClusterRuns(const AllocationBitmap& bitmap, std::uint64_t limit);

// Flags as overwritten every deleted-entry file below `node` that has data and whose first
// cluster is in use again. Only the first cluster is looked at.
void MarkOverwritten(ScanNode& node, const AllocationBitmap& bitmap);

}  // namespace tundrel
