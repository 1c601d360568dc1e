#include "exfat/exfat_lost_directories.h"

#include <algorithm>
#include <limits>
#include <utility>

#include "disk/sector_source.h"
#include "disk/volume_info.h"
#include "exfat/exfat_directory_block.h"
#include "exfat/exfat_entry_set.h"
#include "exfat/exfat_runs.h"
#include "scan/scan_progress.h"

namespace tundrel {
namespace {

constexpr std::uint64_t kPieceBytes = 64 * 1024;

}  // namespace

std::vector<LostDirectoryRecord> FindLostDirectories(const ClusterRunList& freeRuns, LostDirectorySearch& search) {
    const ExFatGeometry& g = search.geometry;
    const std::uint64_t clusterBytes = g.ClusterBytes();
    std::vector<LostDirectoryRecord> records;
    if (clusterBytes == 0) return records;
    const std::uint64_t pieceClusters = std::max<std::uint64_t>(1, kPieceBytes / clusterBytes);
    std::vector<std::uint8_t> piece;
    for (const ClusterRun& run : freeRuns) {
        for (std::uint64_t done = 0; done < run.count;) {
            if (search.progress.StopRequested()) return records;
            const std::uint64_t first = std::uint64_t{run.firstCluster} + done;
            const std::uint64_t clusters = std::min<std::uint64_t>(pieceClusters, run.count - done);
            done += clusters;
            search.progress.doneUnits += static_cast<std::int64_t>(clusters);
            if (!g.HoldsCluster(first) || first + clusters > g.ClusterLimit()) continue;
            const std::uint64_t volumeSector = g.ClusterSector(static_cast<std::uint32_t>(first));
            const std::uint64_t sectors = clusters * g.clusterSectors;
            const std::uint64_t sector = search.volumeStart + volumeSector;
            if (volumeSector + sectors > g.volumeSectors || sector + sectors > kSectorNumberEnd) continue;
            piece.resize(static_cast<std::size_t>(clusters * clusterBytes));
            if (!search.source.ReadSectors(piece, static_cast<std::uint32_t>(sector))) continue;
            for (std::uint64_t k = 0; k < clusters; ++k) {
                const auto bytes = std::span<const std::uint8_t>(piece).subspan(
                    static_cast<std::size_t>(k * clusterBytes), static_cast<std::size_t>(clusterBytes));
                const std::uint64_t clusterSector = sector + k * g.clusterSectors;
                if (search.carveCluster) search.carveCluster(bytes, clusterSector);
                if (!IsExFatDirectoryBlock(bytes, bytes.size() / kExFatEntryBytes)) continue;
                LostDirectoryRecord record;
                record.cluster = static_cast<std::uint32_t>(first + k);
                record.ownCluster = record.cluster;
                record.sector = clusterSector;
                record.folder.Set(kFlagDirectory, true);
                ListExFatDirectory(record.folder, bytes, search.listing, false);
                if (record.folder.children.empty()) continue;
                CountLostDirectoryRecord(record, search.progress);
                records.push_back(std::move(record));
            }
        }
    }
    return records;
}

std::vector<ScanNode> LinkLostDirectories(std::vector<LostDirectoryRecord> records, NamePool& names,
                                          std::uint64_t clusterBytes) {
    if (clusterBytes == 0) return {};
    // An exFAT directory names no cluster of its own: entries name the cluster it was read from.
    for (LostDirectoryRecord& record : records) record.ownCluster = record.cluster;
    return LinkLostDirectoryRecords(std::move(records), names,
                                    {clusterBytes, std::max<std::uint64_t>(1, kMaxExFatDirectoryBytes / clusterBytes)});
}

}  // namespace tundrel
