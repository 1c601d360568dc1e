// The lost-chain search over an arbitrary allocation table and data area, then the placing of
// its finds into a result tree.
//
// Input: one control byte (its low two bits: 0 FAT12, 1 FAT16, else FAT32), the table's length
// in bytes (16-bit little-endian), the table, then the data area in 512-byte clusters from
// cluster 2. Clusters past the data area cannot be read.

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "disk/fs_type.h"
#include "platform/ansi_code_page.h"
#include "fat/lost_chain_search.h"
#include "scan/name_pool.h"
#include "scan/scan_progress.h"

using namespace tundrel;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 3) return 0;
    static AnsiCodePage codePage("CP932");
    const std::uint8_t control = data[0];
    const FatWidth width = (control & 3) == 0 ? FatWidth::Fat12 : (control & 3) == 1 ? FatWidth::Fat16 : FatWidth::Fat32;
    const std::span<const std::uint8_t> rest(data + 3, size - 3);
    const std::size_t tableBytes = std::min<std::size_t>(data[1] | (data[2] << 8), rest.size());
    const std::span<const std::uint8_t> table = rest.first(tableBytes);
    const std::span<const std::uint8_t> area = rest.subspan(tableBytes);
    const std::uint64_t entries = EntriesIn(table.size(), width);

    LostChainVolume volume;
    volume.table = table;
    volume.width = width;
    volume.clusterLimit = entries;
    volume.clusterSectors = 1;
    volume.rootCluster = width == FatWidth::Fat32 ? 2 : 0;
    volume.read = [&](const ClusterRunList& runs) -> std::optional<std::vector<std::uint8_t>> {
        std::vector<std::uint8_t> bytes;
        for (const ClusterRun& run : runs) {
            const std::uint64_t at = (std::uint64_t{run.firstCluster} - 2) * 512;
            const std::uint64_t length = std::uint64_t{run.count} * 512;
            if (run.firstCluster < 2 || at + length > area.size()) return std::nullopt;
            bytes.insert(bytes.end(), area.begin() + at, area.begin() + at + length);
        }
        if (bytes.size() > kMaxLostChainDirectoryBytes) __builtin_trap();
        return bytes;
    };

    NamePool names;
    FatBootParameters parameters;
    parameters.sectorsPerCluster = 1;
    parameters.totalSectors32 = 0x00FFFFFF;
    DirectoryClusters clusters;
    ListContext listing;
    listing.fsType = width == FatWidth::Fat32 ? kFsFat32 : kFsFat16;
    listing.parameters = &parameters;
    listing.directoryClusters = &clusters;
    listing.names = &names;
    listing.codePage = &codePage;
    ScanProgress progress;
    ResultTree tree;
    LostChainFinds finds = FindLostChains(volume, tree, listing, progress, names);
    // Every cluster is taken once at most: the files' clusters fit in the table.
    std::uint64_t fileClusters = 0;
    for (const ScanNode& file : finds.files) fileClusters += file.size / 512;
    if (fileClusters > entries || finds.directories.size() > entries) __builtin_trap();
    PlaceLostChains(std::move(finds), tree, names, 512);
    return 0;
}
