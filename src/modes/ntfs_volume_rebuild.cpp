// Rebuilding NTFS volumes from the boot records and MFT records the sweep found.

#include <algorithm>
#include <set>
#include <tuple>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "modes/ntfs_rebuild_votes.h"
#include "modes/volume_rebuild.h"
#include "ntfs/loose_records.h"
#include "ntfs/ntfs_boot_record.h"
#include "ntfs/ntfs_boot_sector.h"
#include "ntfs/mft_record_probe.h"
#include "ntfs/ntfs_scanner.h"
#include "scan/result_tree.h"

namespace tundrel {
namespace {

constexpr std::uint64_t kLastSector = UINT32_MAX;
// Cluster numbers beyond this place nothing inside 32-bit sector numbers.
constexpr std::uint64_t kLargestCluster = std::uint64_t{1} << 40;

// Where a volume lies and where its $MFT record lies, both absolute, and its cluster size: one
// volume however many of its boot copies were found. The cluster size tells apart a volume
// formatted again over another with its MFT in the same place.
using NtfsVolumeKey = std::tuple<std::uint64_t, std::uint64_t, std::uint32_t>;

struct PlacedVolume {
    std::uint64_t start = 0;
    std::uint64_t totalSectors = 0;  // the boot record's count, its backup copy not included
    RebuiltNtfsVolume rebuilt;
};

class NtfsRebuilder {
public:
    NtfsRebuilder(const RebuildSetting& setting, FullScanCandidates& candidates)
        : setting_(setting), candidates_(candidates) {
        for (const MftCandidate& mft : candidates.mftRecords.items) (mft.mirror ? mirrors_ : mfts_).insert(mft.sector);
        // Sorted by sector, so that each volume finds the records inside it by bisection.
        for (const ScanNode& record : candidates.looseRecords.items) {
            if (record.name != nullptr) records_.push_back(&record);
        }
        std::sort(records_.begin(), records_.end(),
                  [](const ScanNode* left, const ScanNode* right) { return left->location < right->location; });
        claimed_.assign(records_.size(), false);
        held_.assign(records_.size(), false);
    }

    NtfsRebuild Run() {
        std::vector<PlacedVolume> paired;
        for (const SectorCopy& boot : candidates_.ntfsBoots.items) {
            if (Stopped()) break;
            PairBootCandidate(boot, paired);
        }
        // A volume known by its mirror alone is built first: it holds the records of its MFT,
        // which a volume formatted over it must not file as its own lost records.
        for (PlacedVolume& volume : PlaceByOrphanMirrors()) Build(std::move(volume));
        for (PlacedVolume& volume : paired) Build(std::move(volume));
        if (setting_.freeAreaCase && !Stopped()) PlaceByVotedStart();
        if (result_.scanners.empty() && setting_.source.IsVolume() && !Stopped()) PlaceOverWholeSource();
        ReturnUnclaimed();
        return std::move(result_);
    }

private:
    bool Stopped() const { return setting_.stop.load(std::memory_order_relaxed) != 0; }

    // A primary boot record at B starts its volume at B; the backup, in the volume's last
    // sector, at B less the total. Either pairs when the MFT or its mirror was found where it
    // places them.
    void PairBootCandidate(const SectorCopy& copy, std::vector<PlacedVolume>& paired) {
        const NtfsBootRecord boot = ReadNtfsBootRecord(copy.bytes);
        const auto clusterSectors = NtfsClusterSectors(boot.sectorsPerCluster);
        if (boot.bytesPerSector != 512 || !clusterSectors || boot.mftCluster > kLargestCluster ||
            boot.mirrorCluster > kLargestCluster) {
            return;
        }
        std::vector<std::uint64_t> starts{copy.sector};
        if (boot.totalSectors != 0 && boot.totalSectors <= copy.sector) starts.push_back(copy.sector - boot.totalSectors);
        for (const std::uint64_t start : starts) {
            const std::uint64_t mftSector = start + boot.mftCluster * *clusterSectors;
            const std::uint64_t mirrorSector = start + boot.mirrorCluster * *clusterSectors;
            if (!FoundMftAt(mftSector) && !(boot.mirrorCluster != 0 && FoundMftAt(mirrorSector))) continue;
            if (!keys_.insert({start, mftSector, *clusterSectors}).second) continue;
            accounted_.insert(mftSector);
            accounted_.insert(mirrorSector);
            PlacedVolume volume{start, boot.totalSectors, {}};
            volume.rebuilt.bootCopy = copy.bytes;
            paired.push_back(std::move(volume));
        }
    }

    // The MFT, or its mirror, at `sector`: its first record is named "$MFT", its second (two
    // sectors on) "$MFTMirr".
    bool FoundMftAt(std::uint64_t sector) const { return mfts_.contains(sector) || mirrors_.contains(sector + 2); }

    // An $MFT record that no boot record accounts for, followed by its "$MFTMirr": when it is
    // the mirror's copy (its own data lies elsewhere), the mirror's cluster (the "$MFTMirr"
    // record's data) and the cluster size (the $MFT record's sizes) place the volume; its MFT
    // is read through that copy. The volume runs to the end of the source.
    std::vector<PlacedVolume> PlaceByOrphanMirrors() {
        std::unordered_map<std::uint64_t, const MftCandidate*> mirrorRecords;
        for (const MftCandidate& mft : candidates_.mftRecords.items) {
            if (mft.mirror) mirrorRecords.emplace(mft.sector, &mft);
        }
        std::vector<PlacedVolume> placed;
        for (const MftCandidate& mft : candidates_.mftRecords.items) {
            const auto mirror = mirrorRecords.find(mft.sector + 2);
            if (mft.mirror || accounted_.contains(mft.sector) || mirror == mirrorRecords.end() || Stopped()) continue;
            std::array<std::uint8_t, 1024> record = mft.record;
            const MftRecordHints own = ProbeMftRecord(record, {.sectorsPerCluster = true, .dataStart = true});
            record = mirror->second->record;
            const std::uint32_t mirrorCluster = ProbeMftRecord(record, {.dataStart = true}).dataStartCluster;
            const std::uint32_t clusterSectors = own.sectorsPerCluster;
            if (clusterSectors == 0 || clusterSectors > 128 || (clusterSectors & (clusterSectors - 1)) != 0) continue;
            const std::uint64_t mirrorOffset = std::uint64_t{mirrorCluster} * clusterSectors;
            if (mirrorCluster == 0 || own.dataStartCluster == 0 || own.dataStartCluster == mirrorCluster || mirrorOffset > mft.sector) {
                continue;
            }
            const std::uint64_t start = mft.sector - mirrorOffset;
            if (!keys_.insert({start, start + std::uint64_t{own.dataStartCluster} * clusterSectors, clusterSectors}).second) continue;
            const std::uint64_t total = setting_.sourceSectors > start ? setting_.sourceSectors - start : 0;
            PlacedVolume volume{start, total, {}};
            volume.rebuilt.bootCopy = SyntheticNtfsBoot(clusterSectors, total, mirrorCluster);
            placed.push_back(std::move(volume));
        }
        return placed;
    }

    void PlaceByVotedStart() {
        const auto start = VoteVolumeStart(candidates_.looseRecords.items, setting_.stop);
        if (!start) return;
        const std::uint64_t begin = *start < 0 ? 0 : static_cast<std::uint64_t>(*start);
        if (!keys_.insert({begin, static_cast<std::uint64_t>(*start) + kUsualMftSector, 8}).second) return;
        const std::uint64_t total =
            setting_.sweptVolumeTotalSectors != 0 ? setting_.sweptVolumeTotalSectors : kUsualVolumeSectors;
        PlacedVolume volume{begin, total, {}};
        volume.rebuilt.bootCopy = SyntheticNtfsBoot(8, total, kUsualMftCluster);
        if (*start < 0) volume.rebuilt.sectorAdjustment = static_cast<std::uint32_t>(static_cast<std::int32_t>(*start));
        Build(std::move(volume));
    }

    void PlaceOverWholeSource() {
        const std::uint32_t clusterSectors = VoteClusterSize(setting_.source, candidates_.looseRecords.items, setting_.stop);
        PlacedVolume volume{0, setting_.sourceSectors, {}};
        volume.rebuilt.bootCopy = SyntheticNtfsBoot(clusterSectors, setting_.sourceSectors, kUsualMftCluster);
        Build(std::move(volume));
    }

    // Cuts the volume to the source (dropping it when it starts outside), hands it the loose
    // records inside it, and scans it. A volume whose MFT could not be read gives them back.
    void Build(PlacedVolume volume) {
        const std::uint64_t sourceEnd = setting_.sourceSectors != 0 ? setting_.sourceSectors : kLastSector + 1;
        if (volume.start >= std::min(sourceEnd, kLastSector + 1)) return;
        const std::uint64_t room = std::min(sourceEnd, kLastSector + 1) - volume.start;
        // The backup boot record follows the counted sectors.
        const std::uint64_t sectors = std::min(volume.totalSectors == UINT64_MAX ? volume.totalSectors : volume.totalSectors + 1, room);

        auto scanner = std::make_unique<NtfsScanner>(setting_.context);
        scanner->source = scanner->readSource = &setting_.source;
        scanner->volumeStart = static_cast<std::uint32_t>(volume.start);
        scanner->volumeSectors = static_cast<std::uint32_t>(std::min(sectors, kLastSector));

        // Strictly inside the volume, as the scanner's own lost records must be.
        const std::uint64_t end = volume.start + std::min(volume.totalSectors, kLastSector + 1);
        const auto first = std::upper_bound(records_.begin(), records_.end(), volume.start,
                                            [](std::uint64_t sector, const ScanNode* record) { return sector < record->location; });
        const auto last = std::lower_bound(first, records_.end(), end,
                                           [](const ScanNode* record, std::uint64_t sector) { return record->location < sector; });
        for (auto at = first; at != last; ++at) {
            if (!held_[static_cast<std::size_t>(at - records_.begin())]) volume.rebuilt.looseRecordSectors.push_back((*at)->location);
        }
        scanner->UseRebuiltVolume(std::move(volume.rebuilt));
        scanner->Scan();

        // A volume whose MFT was read holds the records inside it, kept or not: those it did not
        // file are its own system files, which a fresh volume shows nowhere else.
        if (!scanner->MftRuns().empty()) {
            for (auto at = first; at != last; ++at) {
                const auto index = static_cast<std::size_t>(at - records_.begin());
                claimed_[index] = true;
                held_[index] = held_[index] || LiesInsideMftRuns(scanner->Volume(), (*at)->location);
            }
        }
        const ResultTree& roots = scanner->roots;
        if (roots[RootIndex::Root].children.empty() && roots[RootIndex::Lost].children.empty() &&
            roots[RootIndex::Scanned].children.empty()) {
            return;
        }
        result_.scanners.push_back(std::move(scanner));
    }

    // Read again for the parent their names give, which the lost-files tree files them by.
    void ReturnUnclaimed() {
        NamePool scratch;
        for (std::size_t i = 0; i < records_.size() && !Stopped(); ++i) {
            if (claimed_[i]) continue;
            const auto record = ReadLooseRecord(setting_.source, records_[i]->location, scratch);
            if (!record) continue;
            ScanNode node = *records_[i];
            node.extra = record->parentRecord;
            result_.unclaimedRecords.push_back(node);
        }
    }

    const RebuildSetting& setting_;
    FullScanCandidates& candidates_;
    std::unordered_set<std::uint64_t> mfts_;
    std::unordered_set<std::uint64_t> mirrors_;
    std::set<NtfsVolumeKey> keys_;
    std::unordered_set<std::uint64_t> accounted_;  // MFT and mirror sectors of paired volumes
    std::vector<const ScanNode*> records_;
    std::vector<bool> claimed_;
    std::vector<bool> held_;  // inside the MFT of a volume built already
    NtfsRebuild result_;
};

}  // namespace

NtfsRebuild RebuildNtfsVolumes(const RebuildSetting& setting, FullScanCandidates& candidates) {
    return NtfsRebuilder(setting, candidates).Run();
}

void FileUnclaimedRecords(ScanNode& root, std::vector<ScanNode> records, NamePool& names,
                          const std::atomic<std::uint32_t>& stop) {
    std::vector<LooseRecord> loose;
    loose.reserve(records.size());
    for (ScanNode& record : records) {
        if (record.name == nullptr) continue;
        LooseRecord entry;
        entry.parentRecord = record.extra;
        entry.node = std::move(record);
        entry.node.extra = 0;
        entry.node.name = names.Add(entry.node.name);
        loose.push_back(std::move(entry));
    }
    FileLooseRecords(root, std::move(loose), names, stop);
}

}  // namespace tundrel
