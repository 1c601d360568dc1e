#include "fat/lost_chain_search.h"

#include <algorithm>
#include <new>
#include <string>
#include <unordered_set>
#include <utility>

#include "carve/content_detector.h"
#include "fat/chain_heads.h"
#include "fat/directory_entry.h"
#include "fat/live_chains.h"
#include "fat/lost_directories.h"
#include "scan/child_array.h"
#include "scan/name_pool.h"
#include "scan/node_order.h"
#include "scan/scan_progress.h"
#include "scan/split_deleted.h"
#include "support/strings.h"
#include "support/text.h"

namespace tundrel {
namespace {

// Follows the chain from `head` through the copy, zeroing each entry it takes. An entry that
// is already zero (free, or taken by a chain followed before) ends the chain before it.
ClusterRunList TakeChain(std::uint32_t head, std::span<std::uint8_t> copy, const LostChainVolume& volume) {
    ClusterRunList runs;
    std::uint64_t cluster = head;
    while (cluster >= 2 && cluster < volume.clusterLimit) {
        const auto at = static_cast<std::uint32_t>(cluster);
        const std::uint32_t value = ReadFatEntry(copy, at, volume.width);
        if (value == 0) break;
        WriteFatEntry(copy, at, volume.width, 0);
        if (!runs.empty() && std::uint64_t{runs.back().firstCluster} + runs.back().count == at) {
            ++runs.back().count;
        } else {
            runs.push_back({at, 1});
        }
        cluster = NextClusterOf(value, volume.width);
    }
    return runs;
}

// The first `maxClusters` clusters of the runs.
ClusterRunList FirstClusters(const ClusterRunList& runs, std::uint64_t maxClusters) {
    ClusterRunList first;
    for (const ClusterRun& run : runs) {
        if (maxClusters == 0) break;
        const auto count = static_cast<std::uint32_t>(std::min<std::uint64_t>(run.count, maxClusters));
        first.push_back({run.firstCluster, count});
        maxClusters -= count;
    }
    return first;
}

std::string LostFileName(std::uint32_t head, const std::string& type) {
    std::string name = "File " + std::to_string(head);
    if (type != "unknown") name += "." + type;
    return name;
}

class LostChainWalk {
public:
    LostChainWalk(const LostChainVolume& volume, ListContext& listing, ScanProgress& progress, NamePool& names)
        : volume_(volume), listing_(listing), progress_(progress), names_(names) {}

    LostChainFinds Run(const ResultTree& tree) {
        if (volume_.clusterSectors == 0 || volume_.ClusterBytes() > kMaxLostChainClusterBytes || !volume_.read) return {};
        std::vector<std::uint8_t> copy;
        try {
            copy.assign(volume_.table.begin(), volume_.table.end());
        } catch (const std::bad_alloc&) {
            return {};
        }
        const std::atomic<std::uint32_t>& stop = progress_.StopWord();
        for (const RootIndex root : {RootIndex::Root, RootIndex::Lost, RootIndex::Deleted, RootIndex::Hidden}) {
            for (const ScanNode& node : tree[root].children) ClearLiveChains(node, copy, volume_.width, stop);
        }
        if (volume_.rootCluster >= 2) {
            ScanNode root;
            root.location = volume_.rootCluster;
            ClearLiveChains(root, copy, volume_.width, stop);
        }
        if (progress_.StopRequested()) return {};

        const std::vector<bool> heads = ChainHeadMap(copy, volume_.width);
        const std::uint64_t end = std::min<std::uint64_t>(heads.size(), volume_.clusterLimit);
        progress_.totalUnits = std::count(heads.begin(), heads.begin() + static_cast<std::ptrdiff_t>(end), true);
        progress_.doneUnits = 0;
        for (std::uint64_t head = 2; head < end && !progress_.StopRequested(); ++head) {
            if (!heads[head]) continue;
            ++progress_.doneUnits;
            Follow(static_cast<std::uint32_t>(head), copy);
        }
        return Gather();
    }

private:
    void Follow(std::uint32_t head, std::span<std::uint8_t> copy) {
        const ClusterRunList runs = TakeChain(head, copy, volume_);
        if (runs.empty()) return;
        const auto first = volume_.read(FirstClusters(runs, 1));
        if (!first) return;
        if (BeginsWithDotEntries(*first)) {
            AddDirectory(head, runs);
        } else {
            AddFile(head, *first, runs);
        }
    }

    // Fills `buffer` with the chain's bytes from `offset`.
    bool ReadChainBytes(const ClusterRunList& runs, std::uint64_t offset, std::span<std::uint8_t> buffer) {
        const std::uint64_t clusterBytes = volume_.ClusterBytes();
        const std::uint64_t lead = offset % clusterBytes;
        std::uint64_t skip = offset / clusterBytes;
        std::uint64_t wanted = (lead + buffer.size() + clusterBytes - 1) / clusterBytes;
        ClusterRunList part;
        for (const ClusterRun& run : runs) {
            if (wanted == 0) break;
            if (skip >= run.count) {
                skip -= run.count;
                continue;
            }
            const std::uint64_t count = std::min<std::uint64_t>(run.count - skip, wanted);
            part.push_back({static_cast<std::uint32_t>(run.firstCluster + skip), static_cast<std::uint32_t>(count)});
            wanted -= count;
            skip = 0;
        }
        if (wanted != 0) return false;
        const auto bytes = volume_.read(part);
        if (!bytes || bytes->size() < lead + buffer.size()) return false;
        std::copy_n(bytes->begin() + static_cast<std::ptrdiff_t>(lead), buffer.size(), buffer.begin());
        return true;
    }

    // The first cluster's type; when it tells none, or only a ZIP package, the deep detector
    // reads further into the chain.
    std::string ContentType(std::span<const std::uint8_t> firstCluster, const ClusterRunList& runs, std::uint64_t size) {
        const std::string type = DetectContentType(firstCluster);
        if (type != "unknown" && type != "zip") return type;
        const std::string deep = DetectContentTypeDeep(
            [&](std::uint64_t offset, std::span<std::uint8_t> buffer) { return ReadChainBytes(runs, offset, buffer); }, size);
        return deep != "unknown" ? deep : type;
    }

    void AddDirectory(std::uint32_t head, const ClusterRunList& runs) {
        const auto bytes = volume_.read(FirstClusters(runs, kMaxLostChainDirectoryBytes / volume_.ClusterBytes()));
        if (!bytes) return;
        const std::uint64_t sector = volume_.dataSector + std::uint64_t{volume_.clusterSectors} * (head - 2);
        auto record = ListLostDirectory(*bytes, head, sector, listing_, LostEntries::AsListed);
        if (!record) return;
        for (const ScanNode& child : record->folder.children) {
            if (!child.Has(kFlagDeleted) && child.location >= 2) named_.insert(child.location);
        }
        CountLostDirectoryRecord(*record, progress_);
        finds_.directories.push_back(std::move(*record));
    }

    void AddFile(std::uint32_t head, std::span<const std::uint8_t> firstCluster, const ClusterRunList& runs) {
        ScanNode file;
        file.location = head;
        file.size = ClusterCount(runs) * volume_.ClusterBytes();
        const std::string name = LostFileName(head, ContentType(firstCluster, runs, file.size));
        file.name = names_.Add(ToUtf16(name));
        finds_.files.push_back(file);
    }

    // The files whose head a listed directory names are already in that directory.
    LostChainFinds Gather() {
        std::erase_if(finds_.files, [&](const ScanNode& file) { return named_.contains(file.location); });
        for (const ScanNode& file : finds_.files) {
            ++progress_.foundCount;
            progress_.foundBytes += file.size;
        }
        return std::move(finds_);
    }

    const LostChainVolume& volume_;
    ListContext& listing_;
    ScanProgress& progress_;
    NamePool& names_;
    LostChainFinds finds_;
    std::unordered_set<std::uint32_t> named_;  // first clusters the live entries of listed directories name
};

// "Dir_" and the folder's number, zero-padded to the digits of one more than the count.
std::string NumberedFolderName(std::size_t number, std::size_t count) {
    const std::size_t digits = std::to_string(count + 1).size();
    std::string text = std::to_string(number);
    if (text.size() < digits) text.insert(0, digits - text.size(), '0');
    return "Dir_" + text;
}

}  // namespace

LostChainFinds FindLostChains(const LostChainVolume& volume, const ResultTree& tree, ListContext& listing,
                              ScanProgress& progress, NamePool& names) {
    return LostChainWalk(volume, listing, progress, names).Run(tree);
}

void PlaceLostChains(LostChainFinds finds, ResultTree& tree, NamePool& names, std::uint64_t clusterBytes) {
    ScanNode& lost = tree[RootIndex::Lost];
    std::vector<ScanNode> folders = LinkLostDirectoryRecords(std::move(finds.directories), names, {clusterBytes, 1});
    for (std::size_t i = 0; i < folders.size(); ++i) {
        folders[i].name = names.Add(ToUtf16(NumberedFolderName(i + 1, folders.size())));
    }
    if (!folders.empty()) {
        AppendChildren(lost, std::move(folders));
        SplitDeleted(lost, tree[RootIndex::Deleted]);
    }
    if (finds.files.empty()) return;
    ScanNode files;
    files.Set(kFlagDirectory, true);
    files.name = names.Add(Text16(StringId::LostFiles));
    AppendChildren(files, std::move(finds.files));
    SortChildren(files, ChildOrder::Default);
    AppendChild(lost, std::move(files));
}

}  // namespace tundrel
