// Reading what deleted directories still hold, after the live tree has been split.

#include <algorithm>
#include <array>
#include <string_view>
#include <vector>

#include "disk/fs_type.h"
#include "fat/directory_entry.h"
#include "fat/fat_scanner.h"
#include "scan/name_case.h"
#include "scan/scan_progress.h"

namespace tundrel {
namespace {

// Deeper deleted directories are not read.
constexpr int kMaxExpansionDepth = 61;
// FAT32 entries that lost the high half of their first cluster: the next possible high word.
constexpr std::uint64_t kHighWordStep = 65536;

// Folders of the system that hold many deleted entries of their own; expanding them last lets
// the user's deleted directories claim their clusters first.
bool IsSystemFolder(const ScanNode& node) {
    if (!node.IsDirectory() || node.name == nullptr) return false;
    static constexpr std::array<std::u16string_view, 4> kNames{u"SYSTEM VOLUME INFORMATION", u"RECYCLED", u"RECYCLER",
                                                                u"$RECYCLE.BIN"};
    const std::u16string upper = UpperCased(node.name);
    for (const std::u16string_view name : kNames) {
        if (upper == name) return true;
    }
    return false;
}

}  // namespace

void FatScanner::ExpandDeletedDirectories() {
    ScanNode& deleted = roots[RootIndex::Deleted];
    std::vector<std::size_t> putAside;
    for (std::size_t i = deleted.children.size(); i-- > 0;) {
        if (progress_.StopRequested()) return;
        if (IsSystemFolder(deleted.children[i])) {
            putAside.push_back(i);
        } else {
            ExpandDeleted(deleted.children[i], 0);
        }
    }
    for (const std::size_t i : putAside) {
        if (progress_.StopRequested()) return;
        ExpandDeleted(deleted.children[i], 0);
    }
    ExpandDeleted(deleted, 0);
}

void FatScanner::ExpandDeleted(ScanNode& node, int depth) {
    if (depth >= kMaxExpansionDepth) return;
    if (node.IsDirectory() && node.Has(kFlagDeleted) && node.location != 0 && node.children.empty()) {
        ListDeletedDirectory(node);
    }
    for (std::size_t i = node.children.size(); i-- > 0;) {
        if (progress_.StopRequested()) return;
        if (node.children[i].IsDirectory()) ExpandDeleted(node.children[i], depth + 1);
    }
}

// A deleted directory's chain is gone: its first cluster is read alone, when it is free and
// no live directory owns it. On FAT32 the entry may have lost the high half of its first
// cluster, so the same low half is tried under each higher high word in turn.
void FatScanner::ListDeletedDirectory(ScanNode& node) {
    const std::uint64_t sectorsPerCluster = regions_->sectorsPerCluster;
    // Both total-sector fields count: small FAT16 volumes keep their size in the 16-bit one.
    const std::uint64_t bound = regions_->totalSectorBound;
    const std::uint64_t clusterLimit =
        bound == 0 ? regions_->ClusterLimit() : std::min(bound / sectorsPerCluster, regions_->ClusterLimit());
    const bool knownHighWord = (node.location >> 16) != 0;
    std::vector<std::uint8_t> cluster(static_cast<std::size_t>(regions_->ClusterBytes()));
    for (std::uint64_t candidate = node.location;; candidate += kHighWordStep) {
        std::uint32_t entry = 1;
        const auto number = static_cast<std::uint32_t>(candidate);
        if (candidate >= 2 && candidate < clusterLimit) {
            table_.NextCluster(number, &entry);
            if (entry == 0 && directoryClusters_.insert(number).second &&
                ReadVolumeSectors(cluster, regions_->ClusterSector(number)) && BeginsWithDotEntries(cluster)) {
                // A directory found under another high word must name itself in its "." entry.
                const bool ownsCluster = candidate == node.location || EntryFirstCluster(EntryAt(cluster, 0), fsType) == number;
                if (ownsCluster) {
                    ListDirectory(node, cluster, cluster.size() / kFatEntryBytes, listing_, false);
                    ReportChildren(node);
                    return;
                }
            }
        }
        if (fsType == kFsFat16 || candidate + kHighWordStep >= clusterLimit || knownHighWord) return;
        if (progress_.StopRequested()) return;
    }
}

}  // namespace tundrel
