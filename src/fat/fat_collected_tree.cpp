// The tree of a FAT volume rebuilt from the directory clusters a sweep of the disk collected.

#include <algorithm>
#include <unordered_map>

#include "disk/fs_type.h"
#include "fat/directory_entry.h"
#include "fat/fat_scanner.h"
#include "fat/lost_directories.h"
#include "fat/run_reader.h"
#include "scan/child_array.h"
#include "scan/scan_progress.h"
#include "support/strings.h"

namespace tundrel {
void FatScanner::UseCollectedDirectories(CollectedDirectories collected) {
    if (!collected.tableConfirmed) scannerWord |= kFatWordTableNotRead;
    collected_ = std::move(collected);
}

bool FatScanner::ReadCollectedTree() {
    if (!bootLoaded || !PrepareGeometry()) return false;
    if (collected_->tableConfirmed) table_.LoadWhole();  // when it cannot be held, the window serves
    progress_.SetStatusText(Text16(StringId::ScanningRootDirectory));
    ScanNode& root = roots[RootIndex::Root];
    root.Set(kFlagDirectory, true);
    if (CollectedRootReadable()) {
        const bool chained = collected_->tableConfirmed || fsType != kFsFat32;
        if (!chained) {
            directoryClusters_.insert(regions_->rootCluster);
            listedClusters_.insert(regions_->rootCluster);
        }
        const auto rootBytes = chained ? ReadRootDirectory()
                                       : ReadRuns({CollectedRun(regions_->rootCluster)}, *source, volumeStart, *regions_);
        if (rootBytes && rootBytes->size() >= 512) {
            ListDirectory(root, *rootBytes, rootBytes->size() / kFatEntryBytes, listing_, false);
            ReportChildren(root);
            // Without a table, the walk would read one cluster of each directory: the collected
            // clusters give the subdirectories instead.
            for (ScanNode& child : root.children) {
                if (!collected_->tableConfirmed || !child.IsDirectory() || progress_.StopRequested()) break;
                if (!child.Has(kFlagDeleted)) WalkDirectory(child, 1);
            }
        }
    }
    LinkCollectedClusters();
    // Only the tree needs them; a kept volume holds no copy.
    std::vector<std::uint64_t>().swap(collected_->sectors);
    return true;
}

// The root is read as usual when the table was confirmed, or when the sweep collected the
// root's first sector (for a made-up boot sector, cluster 2: where formatting tools put it).
bool FatScanner::CollectedRootReadable() {
    if (collected_->tableConfirmed) return true;
    const std::uint64_t rootSector =
        volumeStart + (fsType == kFsFat32 ? regions_->ClusterSector(regions_->rootCluster) : regions_->rootStart);
    return std::binary_search(collected_->sectors.begin(), collected_->sectors.end(), rootSector);
}

// Without a table, a directory's later clusters are taken to follow its first, as long as its
// last cluster so far holds no end-of-directory entry and the sweep collected the next one as
// a directory sector that opens no directory of its own.
ClusterRun FatScanner::CollectedRun(std::uint32_t first) {
    const FatRegions& regions = *regions_;
    const auto& sectors = collected_->sectors;
    const std::uint64_t longest = std::max<std::uint64_t>(1, kMaxFatDirectoryBytes / regions.ClusterBytes());
    ClusterRun run{first, 1};
    if (collected_->tableConfirmed) return run;
    std::vector<std::uint8_t> cluster(static_cast<std::size_t>(regions.ClusterBytes()));
    for (std::uint64_t next = std::uint64_t{first} + 1; run.count < longest && next < regions.ClusterLimit(); ++next) {
        if (!ReadVolumeSectors(cluster, regions.ClusterSector(static_cast<std::uint32_t>(next - 1)))) break;
        bool ended = false;
        for (std::size_t at = 0; at < cluster.size() && !ended; at += kFatEntryBytes) ended = cluster[at] == 0;
        const std::uint64_t at = volumeStart + regions.ClusterSector(static_cast<std::uint32_t>(next));
        if (ended || !std::binary_search(sectors.begin(), sectors.end(), at)) break;
        if (!ReadVolumeSectors(std::span(cluster).first(512), at - volumeStart) || BeginsWithDotEntries(std::span(cluster).first(512))) break;
        ++run.count;
    }
    return run;
}

// Each collected sector that opens a cluster with the "." entry naming that very cluster is
// listed (one cluster: a directory's later clusters are reached only through its entries).
// The clusters are linked by the entries that name them; those left over hang under the root
// when their ".." names the root (0, or the FAT32 root cluster), filling the root's entry for
// them when it was listed without its contents, and under the lost root otherwise.
void FatScanner::LinkCollectedClusters() {
    const FatRegions& regions = *regions_;
    const std::uint64_t dataStart = std::uint64_t{volumeStart} + regions.dataStart;
    std::vector<std::uint8_t> opening(512);
    std::vector<LostDirectoryRecord> records;
    std::unordered_map<std::uint32_t, std::uint32_t> parentOf;
    // Clusters read as part of a directory's run, and those that open none: the latter are
    // listed afterwards, as folders of their own, when no run took them in.
    DirectoryClusters taken = listedClusters_;
    std::vector<std::pair<std::uint32_t, std::uint64_t>> loose;
    for (const std::uint64_t sector : collected_->sectors) {
        if (progress_.StopRequested()) break;
        if (sector < dataStart || (sector - dataStart) % regions.sectorsPerCluster != 0) continue;
        const std::uint64_t number = (sector - dataStart) / regions.sectorsPerCluster + 2;
        if (number >= regions.ClusterLimit() || listedClusters_.contains(static_cast<std::uint32_t>(number))) continue;
        if (!ReadVolumeSectors(opening, sector - volumeStart)) continue;
        if (!BeginsWithDotEntries(opening)) {
            loose.emplace_back(static_cast<std::uint32_t>(number), sector);
            continue;
        }
        const ClusterRun run = CollectedRun(static_cast<std::uint32_t>(number));
        const auto cluster = ReadRuns({run}, *source, volumeStart, regions);
        if (!cluster) continue;
        auto record = ListLostDirectory(*cluster, static_cast<std::uint32_t>(number), sector, listing_, LostEntries::AsListed);
        if (!record || record->ownCluster != number) continue;
        for (std::uint32_t i = 0; i < run.count; ++i) taken.insert(run.firstCluster + i);
        parentOf[record->cluster] = EntryFirstCluster(EntryAt(*cluster, 1), fsType);
        CountLostDirectoryRecord(*record, progress_);
        records.push_back(std::move(*record));
    }
    // A later cluster of a directory that a run did not reach (a directory in pieces, or the
    // root's later clusters): its entries are kept in a folder under the lost root.
    for (const auto& [number, sector] : loose) {
        if (progress_.StopRequested()) break;
        if (taken.contains(number)) continue;
        const auto cluster = ReadRuns({CollectedRun(number)}, *source, volumeStart, regions);
        if (!cluster) continue;
        LostDirectoryRecord record{number, number, sector, {}};
        record.folder.Set(kFlagDirectory, true);
        if (!ListDirectory(record.folder, *cluster, cluster->size() / kFatEntryBytes, listing_, true) ||
            record.folder.children.empty()) {
            continue;
        }
        for (std::uint64_t i = 0; i < cluster->size() / regions.ClusterBytes(); ++i) taken.insert(static_cast<std::uint32_t>(number + i));
        parentOf[number] = UINT32_MAX;
        CountLostDirectoryRecord(record, progress_);
        records.push_back(std::move(record));
    }
    std::vector<ScanNode> underRoot;
    std::vector<ScanNode> lost;
    ScanNode& root = roots[RootIndex::Root];
    for (ScanNode& folder : LinkLostDirectoryRecords(std::move(records), namePool, {regions.ClusterBytes(), 1})) {
        const std::uint32_t parent = parentOf[folder.location];
        if (parent != 0 && !(fsType == kFsFat32 && parent == regions.rootCluster)) {
            lost.push_back(std::move(folder));
            continue;
        }
        const auto entry = std::find_if(root.children.begin(), root.children.end(), [&](const ScanNode& child) {
            return child.IsDirectory() && child.location == folder.location && child.children.empty();
        });
        if (entry != root.children.end()) {
            entry->children = std::move(folder.children);
        } else {
            underRoot.push_back(std::move(folder));
        }
    }
    if (!underRoot.empty()) AppendChildren(root, std::move(underRoot));
    if (!lost.empty()) AppendChildren(roots[RootIndex::Lost], std::move(lost));
}

}  // namespace tundrel
