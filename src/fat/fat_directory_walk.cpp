// The walk of a FAT volume's live directory tree.

#include <algorithm>

#include "fat/directory_entry.h"
#include "fat/fat_scanner.h"
#include "fat/run_reader.h"
#include "scan/scan_progress.h"

namespace tundrel {
namespace {

// Deeper directories are not read: a damaged volume can nest without end.
constexpr int kMaxWalkDepth = 50;
// The most a FAT directory can hold: 65,536 entries of 32 bytes.

}  // namespace

ChainLimits FatScanner::DirectoryChain() const {
    return {std::max<std::uint64_t>(1, kMaxFatDirectoryBytes / regions_->ClusterBytes()), regions_->ClusterLimit()};
}

bool FatScanner::WalkDirectory(ScanNode& node, int depth) {
    if (depth > kMaxWalkDepth) return false;
    if (node.Has(kFlagLostSearchMark) && directoryClusters_.contains(node.location)) return false;
    // Two entries that lead to one directory (a damaged volume pointing back up the tree)
    // would otherwise have it read, and everything below it, once per path.
    if (!listedClusters_.insert(node.location).second) return false;

    const auto bytes = ReadRuns(ChainToRuns(node.location, table_, DirectoryChain()), *source, volumeStart, *regions_);
    if (!bytes || progress_.StopRequested()) return true;
    if (!BeginsWithDotEntries(*bytes)) return true;
    ListDirectory(node, *bytes, bytes->size() / kFatEntryBytes, listing_, false);
    if (node.Has(kFlagLostSearchMark)) {
        for (ScanNode& child : node.children) child.Set(kFlagLostSearchMark, true);
    }
    ReportChildren(node);

    for (ScanNode& child : node.children) {
        if (!child.IsDirectory() || progress_.StopRequested()) break;
        if (!child.Has(kFlagDeleted)) WalkDirectory(child, depth + 1);
    }
    return true;
}

void FatScanner::ReportChildren(const ScanNode& directory) {
    const bool deletedMode = InDeletedFileMode();
    const char16_t* shown = nullptr;
    for (const ScanNode& child : directory.children) {
        const bool live = !child.Has(kFlagDeleted);
        ++progress_.foundCount;
        if (live) ++progress_.doneUnits;
        // The deleted-file mode shows what it can recover; the other modes what is there.
        if (live == deletedMode) continue;
        if (shown == nullptr) shown = child.name;
        if (!child.IsDirectory()) progress_.foundBytes += child.size;
    }
    if (shown != nullptr) progress_.SetCurrentName(shown);
}

}  // namespace tundrel
