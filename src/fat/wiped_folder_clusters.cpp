// The later clusters of deleted folders. Deleting a folder frees its whole chain, and the
// deleted-directory expansion can only read its first cluster (named by the entry in its
// parent, opening with "." and ".."): the entries in the clusters after it are found here,
// by reading the free clusters themselves.

#include <algorithm>
#include <new>
#include <string>

#include "fat/directory_block.h"
#include "fat/directory_entry.h"
#include "fat/fat_scanner.h"
#include "scan/name_pool.h"
#include "scan/scan_progress.h"
#include "support/text.h"

namespace tundrel {
namespace {

// Free clusters are read in batches of about this many bytes.
constexpr std::uint64_t kBatchBytes = 1024 * 1024;
// No FAT directory is longer: a longer run of directory clusters is cut into folders this long.
constexpr std::size_t kMaxFolderBytes = 65536 * 32;

// A cluster counts as a later part of a deleted folder when its entries pass the
// directory-block test and it does not open with "." and "..".
bool IsLaterFolderCluster(std::span<const std::uint8_t> cluster) {
    return !BeginsWithDotEntries(cluster) && IsFatDirectoryBlock(cluster, cluster.size() / kFatEntryBytes, {});
}

// The folder's last cluster: its entries end before the cluster does.
bool EndsFolder(std::span<const std::uint8_t> cluster) {
    return IsAllZero(EntryAt(cluster, cluster.size() / kFatEntryBytes - 1));
}

}  // namespace

bool FatScanner::IsUnownedFreeCluster(std::uint32_t cluster) {
    if (directoryClusters_.contains(cluster) || listedClusters_.contains(cluster)) return false;
    std::uint32_t entry = 1;
    table_.NextCluster(cluster, &entry);
    return entry == 0;
}

void FatScanner::ListWipedFolderClusters() {
    const std::uint64_t clusterBytes = regions_->ClusterBytes();
    // The table bounds the walk: every cluster is looked at once, only free ones are read.
    const std::uint64_t end = std::min(regions_->ClusterLimit(), table_.EntryCount());
    const std::uint64_t batchClusters = std::max<std::uint64_t>(1, kBatchBytes / clusterBytes);
    std::vector<std::uint8_t> batch;
    std::vector<std::uint8_t> run;  // the adjacent folder clusters met so far
    try {
        batch.resize(static_cast<std::size_t>(batchClusters * clusterBytes));
    } catch (const std::bad_alloc&) {
        return;
    }
    std::uint32_t runFirst = 0;
    std::uint64_t runNext = 0;
    for (std::uint64_t cluster = 2; cluster < end && !progress_.StopRequested();) {
        if (!IsUnownedFreeCluster(static_cast<std::uint32_t>(cluster))) {
            ++cluster;
            continue;
        }
        const std::uint64_t first = cluster;
        while (cluster < end && cluster - first < batchClusters && IsUnownedFreeCluster(static_cast<std::uint32_t>(cluster))) {
            ++cluster;
        }
        const auto bytes = std::span(batch).first(static_cast<std::size_t>((cluster - first) * clusterBytes));
        if (!ReadVolumeSectors(bytes, regions_->ClusterSector(static_cast<std::uint32_t>(first)))) continue;
        for (std::uint64_t at = first; at < cluster; ++at) {
            const auto block = bytes.subspan(static_cast<std::size_t>((at - first) * clusterBytes),
                                             static_cast<std::size_t>(clusterBytes));
            if (!IsLaterFolderCluster(block)) continue;
            if (at != runNext || run.size() + block.size() > kMaxFolderBytes) {
                AddWipedFolder(runFirst, run);
                runFirst = static_cast<std::uint32_t>(at);
            }
            run.insert(run.end(), block.begin(), block.end());
            runNext = at + 1;
            if (EndsFolder(block)) {
                AddWipedFolder(runFirst, run);
                runNext = 0;
            }
        }
    }
    AddWipedFolder(runFirst, run);
}

// One folder "Cluster_N" under the scanned root for the run from cluster N; its entries are
// deleted entries: their data is read contiguously from their first cluster.
void FatScanner::AddWipedFolder(std::uint32_t firstCluster, std::vector<std::uint8_t>& run) {
    if (run.empty()) return;
    ScanNode folder;
    folder.Set(kFlagDirectory | kFlagDeleted, true);
    folder.location = firstCluster;
    folder.name = namePool.Add(ToUtf16("Cluster_" + std::to_string(firstCluster)));
    ListDirectory(folder, run, run.size() / kFatEntryBytes, listing_, false);
    run.clear();
    if (folder.children.empty()) return;
    ReportChildren(folder);
    // Deleted subfolders named in the run are read as those in the deleted root are.
    ExpandDeleted(folder, 1);
    roots[RootIndex::Scanned].children.push_back(std::move(folder));
}

}  // namespace tundrel
