#include "exfat/exfat_allocation_bitmap.h"

#include <algorithm>
#include <bit>
#include <limits>

namespace tundrel {
namespace {

constexpr std::uint32_t kFirstCluster = 2;

std::uint64_t BitOf(std::uint32_t cluster) { return std::uint64_t{cluster} - kFirstCluster; }

}  // namespace

bool AllocationBitmap::Covers(std::uint32_t cluster) const {
    return cluster >= kFirstCluster && BitOf(cluster) / 8 < bytes_.size();
}

bool AllocationBitmap::IsUsed(std::uint32_t cluster) const {
    if (!Covers(cluster)) return false;
    const std::uint64_t bit = BitOf(cluster);
    return (bytes_[static_cast<std::size_t>(bit / 8)] >> (bit % 8) & 1) != 0;
}

void AllocationBitmap::MarkUsed(std::uint32_t cluster) {
    if (!Covers(cluster)) return;
    const std::uint64_t bit = BitOf(cluster);
    bytes_[static_cast<std::size_t>(bit / 8)] |= static_cast<std::uint8_t>(1u << (bit % 8));
}

std::uint64_t AllocationBitmap::CountUsed() const {
    std::uint64_t used = 0;
    for (const std::uint8_t byte : bytes_) used += static_cast<std::uint64_t>(std::popcount(byte));
    return used;
}

void AllocationBitmap::Release() { std::vector<std::uint8_t>().swap(bytes_); }

ClusterRunList FreeClusterRuns(const AllocationBitmap& bitmap, std::uint64_t limit) {
    ClusterRunList runs;
    limit = std::min<std::uint64_t>(limit, std::uint64_t{std::numeric_limits<std::uint32_t>::max()} + 1);
    const auto addFree = [&runs](std::uint64_t first, std::uint64_t count) {
        if (!runs.empty() && std::uint64_t{runs.back().firstCluster} + runs.back().count == first &&
            runs.back().count + count <= std::numeric_limits<std::uint32_t>::max()) {
            runs.back().count += static_cast<std::uint32_t>(count);
        } else {
            runs.push_back({static_cast<std::uint32_t>(first), static_cast<std::uint32_t>(count)});
        }
    };
    std::uint64_t cluster = kFirstCluster;
    while (cluster < limit) {
        if (!bitmap.Covers(static_cast<std::uint32_t>(cluster))) {
            addFree(cluster, limit - cluster);
            break;
        }
        // Whole bytes at a time where the bitmap is all used or all free.
        const std::uint64_t bit = BitOf(static_cast<std::uint32_t>(cluster));
        if (bit % 8 == 0 && cluster + 8 <= limit) {
            const std::uint8_t byte = bitmap.ByteAt(static_cast<std::size_t>(bit / 8));
            if (byte == 0xFF || byte == 0x00) {
                if (byte == 0x00) addFree(cluster, 8);
                cluster += 8;
                continue;
            }
        }
        if (!bitmap.IsUsed(static_cast<std::uint32_t>(cluster))) addFree(cluster, 1);
        ++cluster;
    }
    return runs;
}

void MarkOverwritten(ScanNode& node, const AllocationBitmap& bitmap) {
    for (ScanNode& child : node.children) {
        if (child.IsDirectory()) {
            MarkOverwritten(child, bitmap);
        } else if (child.Has(kFlagRecordFree) && child.size != 0 && bitmap.IsUsed(child.location)) {
            child.Set(kFlagOverwritten, true);
        }
    }
}

}  // namespace tundrel
