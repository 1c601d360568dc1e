#include "modes/fat_directory_groups.h"

#include <algorithm>
#include <map>
#include <optional>
#include <utility>

#include "disk/fs_type.h"
#include "fat/directory_entry.h"

namespace tundrel {
namespace {

constexpr std::uint32_t kLargestClusterSectors = 128;

using GroupKey = std::pair<std::uint64_t, std::uint32_t>;  // data start, sectors per cluster

struct DotSector {
    std::uint64_t sector = 0;
    std::uint32_t cluster = 0;
};

std::vector<DotSector> DotSectors(std::span<const SectorCopy> directories) {
    std::vector<DotSector> found;
    for (const SectorCopy& copy : directories) {
        if (!BeginsWithDotEntries(copy.bytes)) continue;
        // The high half of the cluster is 0 on FAT16, so reading it as FAT32 serves both.
        const std::uint32_t cluster = EntryFirstCluster(EntryAt(copy.bytes, 0), kFsFat32);
        if (cluster >= 2) found.push_back({copy.sector, cluster});
    }
    return found;
}

template <typename Visit>
void ForEachImpliedKey(const DotSector& dot, Visit visit) {
    for (std::uint32_t size = 1; size <= kLargestClusterSectors; size *= 2) {
        const std::uint64_t offset = std::uint64_t{dot.cluster - 2} * size;
        if (offset <= dot.sector) visit(GroupKey{dot.sector - offset, size});
    }
}

}  // namespace

std::vector<FatDirectoryGroup> GroupFatDirectories(std::span<const SectorCopy> directories) {
    const std::vector<DotSector> dots = DotSectors(directories);
    std::map<GroupKey, std::uint32_t> support;
    for (const DotSector& dot : dots) ForEachImpliedKey(dot, [&](GroupKey key) { ++support[key]; });
    std::vector<std::pair<GroupKey, std::uint32_t>> ranked(support.begin(), support.end());
    std::stable_sort(ranked.begin(), ranked.end(), [](const auto& left, const auto& right) {
        if (left.second != right.second) return left.second > right.second;
        return left.first.second < right.first.second;
    });
    // The counts have served: each key now holds its rank.
    std::map<GroupKey, std::uint32_t>& rank = support;
    for (std::size_t i = 0; i < ranked.size(); ++i) rank[ranked[i].first] = static_cast<std::uint32_t>(i);
    ranked = {};

    std::map<GroupKey, std::vector<const DotSector*>> members;
    for (const DotSector& dot : dots) {
        std::optional<GroupKey> best;
        ForEachImpliedKey(dot, [&](GroupKey key) {
            if (!best || rank[key] < rank[*best]) best = key;
        });
        if (best) members[*best].push_back(&dot);
    }
    std::vector<FatDirectoryGroup> groups;
    for (const auto& [key, dotsOfKey] : members) {
        const std::uint32_t firstCluster = dotsOfKey.front()->cluster;
        const bool sizeKnown = std::any_of(dotsOfKey.begin(), dotsOfKey.end(),
                                           [firstCluster](const DotSector* dot) { return dot->cluster != firstCluster; });
        if (!sizeKnown) continue;
        FatDirectoryGroup group{key.first, key.second, {}};
        for (const DotSector* dot : dotsOfKey) group.sectors.push_back(dot->sector);
        std::sort(group.sectors.begin(), group.sectors.end());
        groups.push_back(std::move(group));
    }
    return groups;
}

}  // namespace tundrel
