#include "fat/lost_directories.h"

#include <algorithm>
#include <utility>

#include "fat/directory_block.h"
#include "fat/directory_entry.h"
#include "scan/duplicate_names.h"
#include "scan/restore_point_folder.h"

namespace tundrel {
namespace {

// Renames duplicates below `directory` and drops the restore-point folders among its children.
void TidyFolder(ScanNode& directory, NamePool& names) {
    for (ScanNode& child : directory.children) {
        if (child.IsDirectory()) TidyFolder(child, names);
    }
    std::erase_if(directory.children, [](const ScanNode& child) {
        return child.IsDirectory() && IsRestorePointFolder(child);
    });
    RenameDuplicates(directory, names);
}

}  // namespace

std::optional<LostDirectoryRecord> ListLostDirectory(std::span<const std::uint8_t> cluster, std::uint32_t number,
                                                     std::uint64_t sector, ListContext& context,
                                                     LostEntries entries) {
    if (!BeginsWithDotEntries(cluster)) return std::nullopt;
    LostDirectoryRecord record;
    record.cluster = number;
    const std::uint32_t named = EntryFirstCluster(EntryAt(cluster, 0), context.fsType);
    record.ownCluster = named >= 2 ? named : number;
    record.sector = sector;
    record.folder.Set(kFlagDirectory, true);
    record.folder.Set(kFlagDeleted, entries == LostEntries::Deleted);
    if (!ListDirectory(record.folder, cluster, cluster.size() / kFatEntryBytes, context, true)) return std::nullopt;
    if (record.folder.children.empty()) return std::nullopt;
    return record;
}

std::vector<ScanNode> LinkFatLostDirectories(std::vector<LostDirectoryRecord> records, NamePool& names,
                                             std::uint64_t clusterBytes) {
    std::vector<ScanNode> folders = LinkLostDirectoryRecords(std::move(records), names, {clusterBytes, 1});
    for (ScanNode& folder : folders) {
        folder.Set(kFlagDeleted, true);
        TidyFolder(folder, names);
    }
    std::erase_if(folders, [](const ScanNode& folder) { return folder.children.empty() || IsRestorePointFolder(folder); });
    return folders;
}

}  // namespace tundrel
