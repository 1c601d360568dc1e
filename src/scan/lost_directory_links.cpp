#include "scan/lost_directory_links.h"

#include <algorithm>
#include <limits>
#include <map>
#include <string>
#include <unordered_map>
#include <utility>

#include "scan/child_array.h"
#include "scan/name_pool.h"
#include "scan/node_order.h"
#include "scan/scan_progress.h"
#include "support/text.h"

namespace tundrel {
namespace {

// Folders nest at most this deep; deeper records become top-level folders of their own.
constexpr int kMaxNesting = 100;

// Which directory entry took a record as its contents.
struct Claim {
    std::size_t record = 0;
    std::size_t child = 0;
    bool live = false;
};

class LostDirectoryLinker {
public:
    LostDirectoryLinker(std::vector<LostDirectoryRecord> records, NamePool& names, const LostDirectorySpan& span)
        : records_(std::move(records)), names_(names), placed_(records_.size(), false) {
        FindClaims(span);
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
    void FindClaims(const LostDirectorySpan& span) {
        std::unordered_map<std::uint32_t, std::size_t> byCluster;
        for (std::size_t r = 0; r < records_.size(); ++r) byCluster.emplace(records_[r].ownCluster, r);
        const std::uint64_t maxClusters = std::max<std::uint64_t>(1, span.maxClusters);
        for (std::size_t r = 0; r < records_.size(); ++r) {
            const auto& children = records_[r].folder.children;
            for (std::size_t j = 0; j < children.size() && children[j].IsDirectory(); ++j) {
                const ScanNode& entry = children[j];
                const bool live = !entry.Has(kFlagRecordFree);
                const std::uint64_t sizeClusters = entry.size / span.clusterBytes + (entry.size % span.clusterBytes != 0);
                const std::uint64_t covered = std::clamp<std::uint64_t>(sizeClusters, 1, maxClusters);
                // The entry's first cluster, and those after it that its size still covers.
                for (std::uint64_t k = 0; k < covered; ++k) {
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

void CountLostDirectoryRecord(const LostDirectoryRecord& record, ScanProgress& progress) {
    for (const ScanNode& node : record.folder.children) {
        ++progress.foundCount;
        progress.foundBytes += node.size;
    }
    const char16_t* first = record.folder.children.empty() ? nullptr : record.folder.children.front().name;
    progress.SetCurrentName(first != nullptr ? std::u16string(first) : std::u16string());
}

std::vector<ScanNode> LinkLostDirectoryRecords(std::vector<LostDirectoryRecord> records, NamePool& names,
                                               const LostDirectorySpan& span) {
    if (records.empty() || span.clusterBytes == 0) return {};
    return LostDirectoryLinker(std::move(records), names, span).Link();
}

}  // namespace tundrel
