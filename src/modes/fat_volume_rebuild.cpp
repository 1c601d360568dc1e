// Rebuilding FAT volumes from the boot records, table starts and directory sectors the sweep
// found.

#include <algorithm>
#include <iterator>
#include <map>
#include <set>
#include <utility>

#include "disk/fs_type.h"
#include "disk/volume_info.h"
#include "fat/fat_boot_parameters.h"
#include "fat/fat_regions.h"
#include "fat/fat_scanner.h"
#include "modes/fat_directory_groups.h"
#include "modes/volume_rebuild.h"
#include "scan/result_tree.h"
#include "support/byte_reader.h"
#include "support/byte_writer.h"

namespace tundrel {
namespace {

// Sectors a made-up boot sector puts before the data area: the reserved area and a one-sector
// table that is never read.
constexpr std::uint64_t kMadeUpLeadSectors = 32;
constexpr std::size_t kBackupBootField = 0x32;

// The data area's first sector (absolute) and the cluster size: one volume however many of
// its boot copies were found.
using FatVolumeKey = std::pair<std::uint64_t, std::uint32_t>;

// A FAT32 boot sector whose data area lies `leadSectors` into the volume.
std::array<std::uint8_t, 512> MadeUpFat32Boot(std::uint32_t sectorsPerCluster, std::uint64_t leadSectors,
                                              std::uint32_t totalSectors) {
    std::array<std::uint8_t, 512> boot{};
    PutLittleEndian(boot, 0x0B, 512, 2);
    PutLittleEndian(boot, 0x0D, sectorsPerCluster, 1);
    PutLittleEndian(boot, 0x0E, leadSectors - 1, 2);  // reserved sectors
    PutLittleEndian(boot, 0x10, 1, 1);                // one table
    PutLittleEndian(boot, 0x20, totalSectors, 4);
    PutLittleEndian(boot, 0x24, 1, 4);                // sectors per table
    PutLittleEndian(boot, 0x2C, 2, 4);                // root cluster
    boot[510] = 0x55;
    boot[511] = 0xAA;
    return boot;
}

bool RootIsEmpty(const ScanNode& root) { return root.children.empty(); }

class FatRebuilder {
public:
    FatRebuilder(const RebuildSetting& setting, FullScanCandidates& candidates)
        : setting_(setting), candidates_(candidates) {
        for (const SectorCopy& copy : candidates.fatDirectories.items) directorySectors_.push_back(copy.sector);
        std::sort(directorySectors_.begin(), directorySectors_.end());
        for (const FatTableStart& table : candidates.fatTables.items) tables_.insert({table.sector, table.bits});
    }

    std::vector<std::unique_ptr<VolumeScanner>> Run() {
        std::map<std::uint64_t, const SectorCopy*> bySector;
        for (const SectorCopy& boot : candidates_.fatBoots.items) bySector.emplace(boot.sector, &boot);
        for (const SectorCopy& boot : candidates_.fatBoots.items) {
            if (Stopped()) break;
            if (!IsBackupCopy(boot, bySector)) BuildFromBootRecord(boot);
        }
        std::vector<FatDirectoryGroup> groups = GroupFatDirectories(candidates_.fatDirectories.items);
        for (std::size_t i = 0; i < groups.size() && !Stopped(); ++i) {
            if (keys_.contains({groups[i].dataStart, groups[i].sectorsPerCluster})) continue;
            const std::uint64_t end = i + 1 < groups.size() ? groups[i + 1].dataStart : SourceEnd();
            BuildFromGroup(std::move(groups[i]), end);
        }
        return std::move(scanners_);
    }

private:
    // A FAT32 boot sector names the place of its backup copy, from the volume's start: a
    // candidate that far after one with the same bytes is that copy, not a volume of its own.
    static bool IsBackupCopy(const SectorCopy& boot, const std::map<std::uint64_t, const SectorCopy*>& bySector) {
        const std::uint16_t distance = ByteReader(boot.bytes).U16(kBackupBootField);
        if (distance == 0 || distance > boot.sector) return false;
        const auto main = bySector.find(boot.sector - distance);
        return main != bySector.end() && main->second->bytes == boot.bytes;
    }

    bool Stopped() const { return setting_.stop.load(std::memory_order_relaxed) != 0; }

    std::uint64_t SourceEnd() const {
        return setting_.sourceSectors != 0 ? std::min(setting_.sourceSectors, kSectorNumberEnd) : kSectorNumberEnd;
    }

    void BuildFromBootRecord(const SectorCopy& copy) {
        const FatBootParameters parameters = FatBootParameters::Parse(copy.bytes);
        const std::uint32_t fsType = parameters.rootEntries == 0 ? kFsFat32 : kFsFat16;
        const std::uint64_t total = parameters.totalSectors32 != 0 ? parameters.totalSectors32 : parameters.totalSectors16;
        if (total == 0 || copy.sector >= SourceEnd()) return;
        const std::uint64_t sectors = std::min(total, SourceEnd() - copy.sector);
        const auto regions = ComputeFatRegions(parameters, fsType, false, sectors);
        if (!regions) return;
        if (!keys_.insert({copy.sector + regions->dataStart, parameters.sectorsPerCluster}).second) return;

        CollectedDirectories collected;
        const std::uint64_t end = copy.sector + total;
        for (auto at = std::upper_bound(directorySectors_.begin(), directorySectors_.end(), copy.sector);
             at != directorySectors_.end() && *at < end; ++at) {
            collected.sectors.push_back(*at);
        }
        // Either copy of the table will do; a FAT12 table is never confirmed.
        const unsigned bits = fsType == kFsFat32 ? 32 : 16;
        const std::uint64_t firstTable = copy.sector + parameters.reservedSectors;
        collected.tableConfirmed = tables_.contains({firstTable, bits}) ||
                                   (parameters.fatCount > 1 && tables_.contains({firstTable + regions->tableSectors, bits}));
        Build(fsType, copy.sector, sectors, copy.bytes, std::move(collected));
    }

    // The made-up volume starts a little before the implied data area and runs to the end of
    // the source; its table is never read. Besides the group's own sectors, it is handed the
    // directory sectors up to the next group's data area: the later clusters of directories.
    void BuildFromGroup(FatDirectoryGroup group, std::uint64_t directoriesEnd) {
        const std::uint64_t lead = std::min(group.dataStart, kMadeUpLeadSectors);
        if (lead < 2 || group.dataStart - lead >= SourceEnd()) return;
        const std::uint64_t start = group.dataStart - lead;
        const auto sectors = static_cast<std::uint32_t>(std::min<std::uint64_t>(SourceEnd() - start, UINT32_MAX));
        if (sectors <= lead) return;
        CollectedDirectories collected;
        const auto first = std::lower_bound(directorySectors_.begin(), directorySectors_.end(), group.dataStart);
        const auto last = std::lower_bound(first, directorySectors_.end(), directoriesEnd);
        std::set_union(first, last, group.sectors.begin(), group.sectors.end(), std::back_inserter(collected.sectors));
        keys_.insert({group.dataStart, group.sectorsPerCluster});
        Build(kFsFat32, start, sectors, MadeUpFat32Boot(group.sectorsPerCluster, lead, sectors), std::move(collected));
    }

    // The scan moves deleted and hidden entries out of root 0, so a volume is dropped only when
    // its tree gave nothing at all.
    void Build(std::uint32_t fsType, std::uint64_t start, std::uint64_t sectors, const std::array<std::uint8_t, 512>& boot,
               CollectedDirectories collected) {
        auto scanner = std::make_unique<FatScanner>(setting_.context, fsType);
        scanner->source = scanner->readSource = &setting_.source;
        scanner->volumeStart = static_cast<std::uint32_t>(start);
        scanner->volumeSectors = static_cast<std::uint32_t>(std::min<std::uint64_t>(sectors, UINT32_MAX));
        scanner->bootSector = boot;
        scanner->bootLoaded = true;
        scanner->UseCollectedDirectories(std::move(collected));
        scanner->Scan();
        const ResultTree& roots = scanner->roots;
        if (RootIsEmpty(roots[RootIndex::Root]) && RootIsEmpty(roots[RootIndex::Lost]) &&
            RootIsEmpty(roots[RootIndex::Deleted]) && RootIsEmpty(roots[RootIndex::Hidden])) {
            return;
        }
        scanners_.push_back(std::move(scanner));
    }

    const RebuildSetting& setting_;
    FullScanCandidates& candidates_;
    std::vector<std::uint64_t> directorySectors_;
    std::set<std::pair<std::uint64_t, unsigned>> tables_;
    std::set<FatVolumeKey> keys_;
    std::vector<std::unique_ptr<VolumeScanner>> scanners_;
};

}  // namespace

std::vector<std::unique_ptr<VolumeScanner>> RebuildFatVolumes(const RebuildSetting& setting,
                                                              FullScanCandidates& candidates) {
    return FatRebuilder(setting, candidates).Run();
}

}  // namespace tundrel
