// Directory listing and the directory-block test over arbitrary clusters, and the search for
// lost directories over the same bytes taken as a run of free clusters.
//
// Input: one control byte, then the cluster. Control bits: 0x01 FAT16 (else FAT32), 0x02 the
// parent is deleted, 0x04 the first 32 bytes of the cluster are the entry before the block,
// 0x08 list only what passes the block test; the top three bits choose sectors per cluster.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "disk/fs_type.h"
#include "platform/ansi_code_page.h"
#include "fat/directory_block.h"
#include "fat/directory_listing.h"
#include "fat/lost_directories.h"
#include "scan/name_pool.h"

using namespace tundrel;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    static AnsiCodePage codePage("CP932");
    const std::uint8_t control = data[0];
    std::span<const std::uint8_t> cluster(data + 1, size - 1);
    std::span<const std::uint8_t> before;
    if ((control & 0x04) != 0 && cluster.size() >= kFatEntryBytes) {
        before = cluster.first(kFatEntryBytes);
        cluster = cluster.subspan(kFatEntryBytes);
    }
    IsFatDirectoryBlock(cluster, cluster.size() / kFatEntryBytes, before);

    NamePool names;
    FatBootParameters parameters;
    parameters.sectorsPerCluster = static_cast<std::uint8_t>(1u << ((control >> 5) & 7));
    parameters.totalSectors32 = 0x00FFFFFF;
    DirectoryClusters clusters;
    ListContext context;
    context.fsType = (control & 0x01) != 0 ? kFsFat16 : kFsFat32;
    context.parameters = &parameters;
    context.directoryClusters = &clusters;
    context.names = &names;
    context.codePage = &codePage;
    ScanNode parent;
    parent.Set(kFlagDirectory, true);
    parent.Set(kFlagDeleted, (control & 0x02) != 0);
    ListDirectory(parent, cluster, cluster.size() / kFatEntryBytes, context, (control & 0x08) != 0);
    // Every node made has a name and hangs below the parent.
    for (const ScanNode& child : parent.children) {
        if (child.name == nullptr || std::u16string_view(child.name).empty() || child.parent != &parent) __builtin_trap();
    }

    const std::size_t clusterBytes = std::size_t{512} * parameters.sectorsPerCluster;
    std::vector<LostDirectoryRecord> records;
    for (std::size_t at = 0; at + clusterBytes <= cluster.size(); at += clusterBytes) {
        auto record = ListLostDirectory(cluster.subspan(at, clusterBytes), static_cast<std::uint32_t>(2 + at / clusterBytes),
                                        at / 512, context);
        if (record) records.push_back(std::move(*record));
    }
    const std::size_t found = records.size();
    if (LinkFatLostDirectories(std::move(records), names, clusterBytes).size() > found) __builtin_trap();
    return 0;
}
