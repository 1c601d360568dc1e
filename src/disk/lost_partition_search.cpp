#include "disk/lost_partition_search.h"

#include <algorithm>
#include <limits>
#include <set>

#include "disk/boot_sector.h"
#include "disk/bounded_read.h"
#include "disk/describe_partition.h"
#include "disk/mount_matching.h"
#include "disk/partition_list.h"
#include "support/byte_reader.h"
#include "support/strings.h"

namespace tundrel {
namespace {

constexpr std::uint64_t kSweepableSectors = std::uint64_t{1} << 32;
constexpr std::uint64_t kLastSectorNumber = std::numeric_limits<std::uint32_t>::max();
// FAT32 keeps its backup boot sector six sectors in; exFAT its backup boot region twelve.
constexpr std::uint64_t kFat32BackupDistance = 6;
constexpr std::uint64_t kExFatBackupDistance = 12;
// No boot sector is looked for this close around a FAT volume's start: its reserved sectors
// hold copies of it.
constexpr std::uint64_t kFatGuardBefore = 500;
constexpr std::uint64_t kFatGuardAfter = 499;
// Partitions of the old geometry followed one another a track (63 sectors) apart; one whose
// boot sectors are all gone is looked for there, after every partition of some size.
constexpr std::uint64_t kEndPositionGap = 63;
constexpr std::uint64_t kEndPositionLeast = 10000;
constexpr std::uint64_t kGeometrySearchRoom = 150000;  // sectors the disk must still hold
constexpr std::uint32_t kMftProbeSectors = 8;
constexpr std::uint32_t kMftRebuildSectors = 64;
// A run of MFT records counts from record 31 on (the system files stand before) and below
// 20,000 (further records of a large MFT may sit in another fragment).
constexpr std::uint32_t kMftRunFirstRecord = 31;
constexpr std::uint32_t kMftRunRecordLimit = 20000;
constexpr std::uint32_t kMftFileMagic = 0x454C4946;  // "FILE"
constexpr std::size_t kMftRecordNumberField = 44;

std::uint64_t NtfsVolumeSectors(const FileSystemEntry& ntfs, SectorBytes boot) {
    const auto placement = ntfs.mftPlacement(boot);
    return placement ? placement->totalSectors : 0;
}

std::uint32_t LowHalf(std::uint64_t value) { return static_cast<std::uint32_t>(value & 0xFFFFFFFFu); }

// The sectors a FAT or exFAT boot sector says its volume has.
std::uint32_t FatVolumeSectors(SectorBytes boot, std::uint32_t fsType) {
    const ByteReader reader(boot);
    const std::uint32_t total32 = reader.U32(32);
    if (fsType == kFsFat32 || total32 != 0) return total32;
    return reader.U16(19);
}

class LostPartitionSweep {
public:
    LostPartitionSweep(SectorSource& source, FileSystemTable fileSystems, const std::atomic<std::uint32_t>& stop,
                       LostPartitionReport* report)
        : source_(source), fileSystems_(fileSystems), stop_(stop), report_(report) {
        for (const FileSystemEntry* fileSystem : fileSystems) {
            if (fileSystem->mftPlacement != nullptr && fileSystem->holdsOwnMftRecord != nullptr) ntfs_ = fileSystem;
            if (fileSystem->startsTable != nullptr) fat_ = fileSystem;
        }
    }

    std::vector<VolumeInfo> volumes;

    bool Stopped() const { return stop_.load(std::memory_order_relaxed) != 0; }

    void TakeTablePartitions(std::vector<VolumeInfo> table) {
        for (VolumeInfo& volume : table) {
            if (!volume.beyond2TiB) known_.insert(volume.startSector);
            volumes.push_back(std::move(volume));
        }
        if (!volumes.empty()) ReportCount();
    }

    // Reads `count` sectors from `first` and examines those from `examineFrom` up to
    // `examineEnd`; the rest only serve the tests that look ahead or back.
    void SweepPiece(std::uint64_t first, std::uint32_t count, std::uint64_t examineFrom, std::uint64_t examineEnd) {
        const std::uint32_t inside = SectorsWithin(source_, first, count);
        if (inside == 0) return;
        piece_.assign(std::size_t{inside} * kSectorBytes, 0);
        if (!source_.ReadSectors(piece_, static_cast<std::uint32_t>(first))) return;
        pieceFirst_ = first;
        mftRunCounted_ = false;
        for (std::uint32_t index = 0; index < inside && !Stopped(); ++index) {
            const std::uint64_t sector = first + index;
            if (sector >= examineFrom && sector < examineEnd) ExamineSector(index);
        }
    }

    void CheckNotedCandidates() {
        SearchEndPositions();
        for (const std::uint64_t candidate : exFatCandidates_) {
            if (Stopped()) return;
            ConfirmExFat(candidate);
        }
        for (const std::uint64_t mft : mftCandidates_) {
            if (Stopped()) return;
            if (!explainedMfts_.contains(mft)) RebuildFromMft(mft);
        }
    }

    // Around a FAT volume's start no boot sector is believed: its reserved area holds copies.
    void GuardFatVolumes() {
        for (const VolumeInfo& volume : volumes) {
            if (volume.fsType != kFsFat16 && volume.fsType != kFsFat32) continue;
            const std::uint64_t start = volume.startSector;
            guards_.emplace_back(start > kFatGuardBefore ? start - kFatGuardBefore : 0, start + kFatGuardAfter);
        }
    }

private:
    void SearchEndPositions() {
        const FileSystemEntry* fat = FindFileSystem(fileSystems_, kFsFat16);
        if (fat == nullptr || fat->searchGeometry == nullptr) return;
        std::vector<std::uint64_t> ends;
        for (const VolumeInfo& volume : volumes) {
            const std::uint64_t end = std::uint64_t{volume.startSector} + volume.sectorCount;
            if (!volume.beyond2TiB && end > kEndPositionLeast) ends.push_back(end + kEndPositionGap);
        }
        for (const std::uint64_t end : ends) {
            if (Stopped()) return;
            if (IsKnown(end) || end > kLastSectorNumber || source_.totalSectors < end + kGeometrySearchRoom) continue;
            if (const auto rebuilt = fat->searchGeometry(source_, end, stop_)) {
                Add(rebuilt->fsType, end, rebuilt->bootSector, rebuilt->sectorCount);
            }
        }
    }

    bool IsKnown(std::uint64_t start) const {
        if (known_.contains(start)) return true;
        return std::ranges::any_of(guards_, [start](const auto& band) { return start >= band.first && start <= band.second; });
    }

    SectorBytes PieceSector(std::uint32_t index) const {
        return std::span<const std::uint8_t>(piece_).subspan(std::size_t{index} * kSectorBytes, kSectorBytes);
    }
    std::uint32_t PieceSectors() const { return static_cast<std::uint32_t>(piece_.size() / kSectorBytes); }

    void ReportCount() {
        if (report_ != nullptr) report_->FoundCount(volumes.size());
    }

    void Add(std::uint32_t fsType, std::uint64_t start, SectorBytes boot, std::uint32_t sectorCount) {
        if (start > kLastSectorNumber || IsKnown(start)) return;
        VolumeInfo volume;
        volume.startSector = static_cast<std::uint32_t>(start);
        volume.sectorCount = sectorCount;
        volume.diskSectors = source_.totalSectors;
        volume.diskName = source_.name;
        std::copy(boot.begin(), boot.end(), volume.bootSector.begin());
        volume.bootValid = true;
        volume.fsType = fsType;
        DescribePartition(source_, volume, stop_, fileSystems_);
        known_.insert(start);
        volumes.push_back(std::move(volume));
        ReportCount();
    }

    void ExamineSector(std::uint32_t index) {
        const SectorBytes sector = PieceSector(index);
        const std::uint64_t at = pieceFirst_ + index;
        if (!HasBootSignature(sector)) {
            if (ntfs_ != nullptr && !mftRunCounted_) NoteMftRun(index, at);
            return;
        }
        const std::uint32_t fsType = BootSectorType(fileSystems_, sector);
        if (fsType == kFsNtfs) {
            ExamineNtfs(sector, at);
        } else if (fsType == kFsFat16 || fsType == kFsFat32) {
            ExamineFat(sector, index, at);
        } else if (fsType == kFsExFat) {
            ExamineExFat(at);
        }
    }

    // Two records in a row, n − 1 and n, place the MFT's start 2n sectors before record n.
    void NoteMftRun(std::uint32_t index, std::uint64_t at) {
        if (index < 2 || index + 1 >= PieceSectors()) return;
        const ByteReader record(PieceSector(index));
        const ByteReader next(PieceSector(index + 1));
        const ByteReader before(PieceSector(index - 2));
        if (record.U32(0) != kMftFileMagic || before.U32(0) != kMftFileMagic) return;
        if (record.U16(510) != next.U16(510)) return;
        const std::uint32_t number = record.U32(kMftRecordNumberField);
        if (number < kMftRunFirstRecord || number >= kMftRunRecordLimit) return;
        if (before.U32(kMftRecordNumberField) + 1 != number || 2 * std::uint64_t{number} > at) return;
        mftRunCounted_ = true;
        mftCandidates_.insert(at - 2 * std::uint64_t{number});
    }

    bool OwnMftRecordAt(std::uint64_t sector) {
        std::vector<std::uint8_t> records = ReadWithin(source_, sector, kMftProbeSectors);
        return records.size() == kMftProbeSectors * kSectorBytes && ntfs_->holdsOwnMftRecord(records);
    }

    // A boot sector is the volume's first sector or, when its size reaches back to a start
    // not yet known, the backup copy in the volume's last sector. A sector taken for a backup
    // whose volume does not check out is still tried as a first sector.
    void ExamineNtfs(SectorBytes sector, std::uint64_t at) {
        if (ntfs_ == nullptr) return;
        const auto placement = ntfs_->mftPlacement(sector);
        if (!placement) return;
        explainedMfts_.insert(at + placement->mftSector);
        const std::uint64_t total = placement->totalSectors;
        const bool reachesBack = (total >> 32) == 0 && total <= at;
        if (reachesBack) explainedMfts_.insert(at - total + placement->mftSector);
        if (reachesBack && !IsKnown(at - total)) {
            const std::uint64_t start = at - total;
            if (OwnMftRecordAt(start + placement->mirrorSector)) {
                Add(kFsNtfs, start, sector, LowHalf(total));
                return;
            }
        }
        if (IsKnown(at)) return;
        if (OwnMftRecordAt(at + std::max(placement->mftSector, placement->mirrorSector))) {
            Add(kFsNtfs, at, sector, LowHalf(total));
        }
    }

    bool TableStartsAt(std::uint64_t index) const {
        if (fat_ == nullptr || index >= PieceSectors()) return false;
        return fat_->startsTable(PieceSector(static_cast<std::uint32_t>(index)));
    }

    void ExamineFat(SectorBytes sector, std::uint32_t index, std::uint64_t at) {
        if (fat_ == nullptr) return;
        const ByteReader reader(sector);
        const std::uint32_t fsType = reader.U16(17) == 0 ? kFsFat32 : kFsFat16;
        const std::uint64_t reserved = reader.U16(14);
        if (!IsKnown(at) && TableStartsAt(index + reserved)) {
            Add(fsType, at, sector, FatVolumeSectors(sector, fsType));
        } else if (index >= kFat32BackupDistance && !IsKnown(at - kFat32BackupDistance) &&
                   TableStartsAt(index - kFat32BackupDistance + reserved)) {
            Add(fsType, at - kFat32BackupDistance, sector, FatVolumeSectors(sector, fsType));
        }
    }

    void ExamineExFat(std::uint64_t at) {
        const bool backupRegion = lastExFat_ && at == *lastExFat_ + kExFatBackupDistance;
        lastExFat_ = at;
        if (!backupRegion && !IsKnown(at)) exFatCandidates_.push_back(at);
    }

    // A candidate is a main boot sector when the root directory lies where it says, or the
    // backup region's when the root lies twelve sectors before that.
    void ConfirmExFat(std::uint64_t candidate) {
        const FileSystemEntry* exFat = FindFileSystem(fileSystems_, kFsExFat);
        if (exFat == nullptr || exFat->holdsDirectoryBlock == nullptr || exFat->addSampleRegions == nullptr) return;
        BootSectorBytes boot{};
        if (!ReadSectorWithin(source_, candidate, boot) || BootSectorType(fileSystems_, boot) != kFsExFat) return;
        const std::uint64_t length = ByteReader(boot).U64(72);
        std::vector<SampleRegion> regions;
        exFat->addSampleRegions(boot, length, regions);
        if (regions.empty()) return;
        const std::uint64_t root = candidate + regions.front().start;
        if (root < kExFatBackupDistance) return;
        const std::vector<std::uint8_t> around =
            ReadWithin(source_, root - kExFatBackupDistance, kExFatBackupDistance + 1);
        if (around.size() != (kExFatBackupDistance + 1) * kSectorBytes) return;
        const std::span<const std::uint8_t> bytes(around);
        if (exFat->holdsDirectoryBlock(bytes.last(kSectorBytes))) {
            Add(kFsExFat, candidate, boot, LowHalf(length));
        } else if (candidate >= kExFatBackupDistance && exFat->holdsDirectoryBlock(bytes.first(kSectorBytes))) {
            Add(kFsExFat, candidate - kExFatBackupDistance, boot, LowHalf(length));
        }
    }

    void RebuildFromMft(std::uint64_t mft) {
        const FileSystemEntry* ntfs = FindFileSystem(fileSystems_, kFsNtfs);
        if (ntfs == nullptr || ntfs->volumeFromMft == nullptr) return;
        std::vector<std::uint8_t> records = ReadWithin(source_, mft, kMftRebuildSectors);
        if (records.size() != kMftRebuildSectors * kSectorBytes) return;
        const auto rebuilt = ntfs->volumeFromMft(records);
        if (!rebuilt || rebuilt->mftSector > mft) return;
        Add(kFsNtfs, mft - rebuilt->mftSector, rebuilt->bootSector, LowHalf(NtfsVolumeSectors(*ntfs, rebuilt->bootSector)));
    }

    SectorSource& source_;
    FileSystemTable fileSystems_;
    const std::atomic<std::uint32_t>& stop_;
    LostPartitionReport* report_;
    const FileSystemEntry* ntfs_ = nullptr;
    const FileSystemEntry* fat_ = nullptr;

    std::vector<std::uint8_t> piece_;
    std::uint64_t pieceFirst_ = 0;
    bool mftRunCounted_ = false;  // one MFT start per piece

    std::set<std::uint64_t> known_;                            // starts already listed
    std::vector<std::pair<std::uint64_t, std::uint64_t>> guards_;  // sectors around FAT volumes
    std::set<std::uint64_t> explainedMfts_;                    // MFTs a boot sector accounts for
    std::set<std::uint64_t> mftCandidates_;                    // MFT starts inferred from record runs
    std::vector<std::uint64_t> exFatCandidates_;
    std::optional<std::uint64_t> lastExFat_;
};

VolumeInfo WholeDisk(const SectorSource& source) {
    VolumeInfo whole;
    whole.sectorCount = LowHalf(std::min<std::uint64_t>(source.totalSectors, kLastSectorNumber));
    whole.diskSectors = source.totalSectors;
    whole.diskName = source.name;
    if (source.totalSectors > kLastSectorNumber) {
        whole.beyond2TiB = true;
        whole.wideCount = source.totalSectors;
    }
    return whole;
}

}  // namespace

LostPartitionSearch SearchLostPartitions(SectorSource& source, FileSystemTable fileSystems,
                                         const std::atomic<std::uint32_t>& stop, const LostPartitionSetting& setting) {
    LostPartitionSearch result;
    LostPartitionSweep sweep(source, fileSystems, stop, setting.report);
    // The table's partitions are always listed: a stop ends the sweep, which takes the time.
    const std::atomic<std::uint32_t> tableStop{0};
    sweep.TakeTablePartitions(ListSourceVolumes(source, tableStop, fileSystems, &result.notes));

    const std::uint64_t total = std::min(source.totalSectors, kSweepableSectors);
    if (source.totalSectors > kSweepableSectors) result.notes.push_back(std::string(Text(StringId::LostPartitionSweepLimit)));
    if (setting.report != nullptr) setting.report->SweepExtent(total / kCylinderSectors);
    for (std::uint64_t cylinder = 0; cylinder < total && !sweep.Stopped(); cylinder += kCylinderSectors) {
        if (setting.report != nullptr) setting.report->SweepPosition(cylinder / kCylinderSectors);
        const std::uint64_t first = cylinder == 0 ? 0 : cylinder - 1;
        sweep.SweepPiece(first, kSweepPieceSectors, first, first + kSweepPieceSectors);
    }
    if (!sweep.Stopped()) {
        sweep.GuardFatVolumes();
        sweep.CheckNotedCandidates();
    }

    result.volumes = std::move(sweep.volumes);
    for (VolumeInfo& volume : result.volumes) {
        AssignMountPoint(setting.mounted, volume, source, setting.sourceDevice, fileSystems);
    }
    std::ranges::stable_sort(result.volumes, [](const VolumeInfo& a, const VolumeInfo& b) {
        const bool aMounted = !a.mountPoint.empty();
        const bool bMounted = !b.mountPoint.empty();
        if (aMounted != bMounted) return bMounted;
        const std::uint64_t aStart = a.beyond2TiB ? a.wideStart : a.startSector;
        const std::uint64_t bStart = b.beyond2TiB ? b.wideStart : b.startSector;
        return aStart < bStart;
    });
    result.volumes.push_back(WholeDisk(source));
    return result;
}

std::vector<VolumeInfo> SweepSectorsForVolumes(SectorSource& source, FileSystemTable fileSystems,
                                               std::uint32_t first, std::uint32_t count,
                                               const std::atomic<std::uint32_t>& stop) {
    LostPartitionSweep sweep(source, fileSystems, stop, nullptr);
    // The piece reaches far enough on for the FAT after the last sector's reserved area.
    const std::uint64_t from = first > kFat32BackupDistance ? first - kFat32BackupDistance : 0;
    const std::uint64_t end = std::uint64_t{first} + count;
    sweep.SweepPiece(from, static_cast<std::uint32_t>(end - from + kSweepPieceSectors), from, end + kFat32BackupDistance);
    std::vector<VolumeInfo> found;
    for (VolumeInfo& volume : sweep.volumes) {
        if (volume.startSector >= first && volume.startSector < end) found.push_back(std::move(volume));
    }
    std::ranges::stable_sort(found, {}, &VolumeInfo::startSector);
    return found;
}

}  // namespace tundrel
