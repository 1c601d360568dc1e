#include "fat/run_reader.h"

#include <limits>
#include <new>
#include <span>

#include "disk/sector_source.h"

namespace tundrel {

std::optional<std::vector<std::uint8_t>> ReadRuns(const ClusterRunList& runs, SectorSource& source,
                                                  std::uint64_t volumeStart, const FatRegions& regions) {
    const std::uint64_t clusterBytes = regions.ClusterBytes();
    const std::uint64_t total = clusterBytes * ClusterCount(runs);
    if (total == 0 || total > std::numeric_limits<std::size_t>::max()) return std::nullopt;
    for (const ClusterRun& run : runs) {
        const std::uint64_t start = regions.ClusterSector(run.firstCluster);
        const std::uint64_t sectors = std::uint64_t{run.count} * regions.sectorsPerCluster;
        if (run.firstCluster < 2 || start + sectors > regions.volumeSectors ||
            volumeStart + start + sectors > std::uint64_t{std::numeric_limits<std::uint32_t>::max()} + 1) {
            return std::nullopt;
        }
    }
    std::vector<std::uint8_t> bytes;
    try {
        bytes.assign(static_cast<std::size_t>(total), 0);
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
    std::size_t at = 0;
    for (const ClusterRun& run : runs) {
        const std::size_t length = static_cast<std::size_t>(clusterBytes * run.count);
        const auto target = std::span(bytes).subspan(at, length);
        const auto sector = static_cast<std::uint32_t>(volumeStart + regions.ClusterSector(run.firstCluster));
        if (!source.ReadSectors(target, sector)) return std::nullopt;
        at += length;
    }
    return bytes;
}

}  // namespace tundrel
