#include "exfat/exfat_lost_directories.h"

#include <algorithm>
#include <limits>
#include <map>
#include <string>
#include <unordered_map>
#include <utility>

#include "disk/sector_source.h"
#include "exfat/exfat_directory_block.h"
#include "exfat/exfat_entry_set.h"
#include "exfat/exfat_runs.h"
#include "scan/child_array.h"
#include "scan/name_pool.h"
#include "scan/node_order.h"
#include "scan/scan_progress.h"
#include "support/text.h"

namespace tundrel {
namespace {

constexpr std::uint64_t kPieceBytes = 64 * 1024;
constexpr std::uint64_t kSectorNumberEnd = std::uint64_t{std::numeric_limits<std::uint32_t>::max()} + 1;
// Folders nest at most this deep; deeper records become top-level folders of their own.
constexpr int kMaxNesting = 100;

void CountFound(const LostDirectoryRecord& record, ScanProgress& progress) {
    for (const ScanNode& node : record.folder.children) {
        ++progress.foundCount;
        progress.foundBytes += node.size;
    }
    const char16_t* first = record.folder.children.front().name;
    progress.SetCurrentName(first != nullptr ? std::u16string(first) : std::u16string());
}

// Which directory entry took a record as its contents.
struct Claim {
    std::size_t record = 0;
    std::size_t child = 0;
    bool live = false;
};

class LostDirectoryLinker {
public:
    LostDirectoryLinker(std::vector<LostDirectoryRecord> records, NamePool& names, std::uint64_t clusterBytes)
        : records_(std::move(records)), names_(names), placed_(records_.size(), false) {
        FindClaims(clusterBytes);
    }

    std::vector<ScanNode> Link() {
        std::vector<ScanNode> folders;
        for (std::size_t r = 0; r < records_.size(); ++r) {
            if (!claimedBy_.contains(r)) folders.push_back(TopLevelFolder(r));
        }
        // What is left only names itself round a loop, or lies too deep.
        for (std::size_t r = 0; r < records_.size(); ++r) {
            if (!placed_[r]) folders.push_back(TopLevelFolder(r));
        }
        std::stable_sort(folders.begin(), folders.end(),
                         [](const ScanNode& a, const ScanNode& b) { return a.location < b.location; });
        return folders;
    }

private:
    void FindClaims(std::uint64_t clusterBytes) {
        std::unordered_map<std::uint32_t, std::size_t> byCluster;
        for (std::size_t r = 0; r < records_.size(); ++r) byCluster.emplace(records_[r].cluster, r);
        const std::uint64_t maxClusters = std::max<std::uint64_t>(1, kMaxExFatDirectoryBytes / clusterBytes);
        for (std::size_t r = 0; r < records_.size(); ++r) {
            const auto& children = records_[r].folder.children;
            for (std::size_t j = 0; j < children.size() && children[j].IsDirectory(); ++j) {
                const ScanNode& entry = children[j];
                const bool live = !entry.Has(kFlagRecordFree);
                const std::uint64_t span =
                    std::clamp<std::uint64_t>(ClustersForSize(entry.size, clusterBytes), 1, maxClusters);
                // The entry's first cluster, and those after it that its size still covers.
                for (std::uint64_t k = 0; k < span; ++k) {
                    const std::uint64_t cluster = std::uint64_t{entry.location} + k;
                    if (cluster > std::numeric_limits<std::uint32_t>::max()) break;
                    const auto found = byCluster.find(static_cast<std::uint32_t>(cluster));
                    if (found == byCluster.end() || found->second == r) break;
                    const auto existing = claimedBy_.find(found->second);
                    if (existing == claimedBy_.end() || (live && !existing->second.live)) {
                        claimedBy_[found->second] = {r, j, live};
                    }
                }
            }
        }
        for (std::size_t r = 0; r < records_.size(); ++r) {
            const auto claim = claimedBy_.find(r);
            if (claim != claimedBy_.end()) contents_[{claim->second.record, claim->second.child}].push_back(r);
        }
    }

    ScanNode TopLevelFolder(std::size_t record) {
        ScanNode folder;
        folder.Set(kFlagDirectory, true);
        folder.location = records_[record].cluster;
        folder.name = names_.Add(ToUtf16("Dir_" + std::to_string(records_[record].cluster)));
        Fill(folder, {record}, 0);
        return folder;
    }

    // Gives `directory` the nodes of the records, each record taken once in the whole tree.
    void Fill(ScanNode& directory, const std::vector<std::size_t>& records, int depth) {
        std::vector<ScanNode> nodes;
        for (const std::size_t r : records) {
            if (placed_[r]) continue;
            placed_[r] = true;
            std::vector<ScanNode> children = std::move(records_[r].folder.children);
            for (std::size_t j = 0; j < children.size(); ++j) {
                const auto named = contents_.find({r, j});
                if (named != contents_.end() && depth < kMaxNesting) Fill(children[j], named->second, depth + 1);
                nodes.push_back(std::move(children[j]));
            }
        }
        if (nodes.empty()) return;
        AppendChildren(directory, std::move(nodes));
        if (records.size() > 1) SortChildren(directory, ChildOrder::Default);
    }

    std::vector<LostDirectoryRecord> records_;
    NamePool& names_;
    std::vector<bool> placed_;
    std::unordered_map<std::size_t, Claim> claimedBy_;
    std::map<std::pair<std::size_t, std::size_t>, std::vector<std::size_t>> contents_;
};

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
                record.sector = clusterSector;
                record.folder.Set(kFlagDirectory, true);
                ListExFatDirectory(record.folder, bytes, search.listing, false);
                if (record.folder.children.empty()) continue;
                CountFound(record, search.progress);
                records.push_back(std::move(record));
            }
        }
    }
    return records;
}

std::vector<ScanNode> LinkLostDirectories(std::vector<LostDirectoryRecord> records, NamePool& names,
                                          std::uint64_t clusterBytes) {
    if (records.empty() || clusterBytes == 0) return {};
    return LostDirectoryLinker(std::move(records), names, clusterBytes).Link();
}

}  // namespace tundrel
