#include "ntfs/ntfs_scanner.h"

#include <algorithm>
#include <array>
#include <ctime>
#include <functional>
#include <vector>

#include "carve/carve_pass.h"
#include "disk/boot_sector.h"
#include "disk/fs_type.h"
#include "disk/sector_source.h"
#include "disk/volume_info.h"
#include "platform/ansi_code_page.h"
#include "scan/full_scan_fallback.h"
#include "scan/hidden_system_entries.h"
#include "scan/split_deleted.h"
#include "exfat/exfat_allocation_bitmap.h"
#include "ntfs/attribute_list.h"
#include "ntfs/compressed_read.h"
#include "ntfs/compression_units.h"
#include "ntfs/lost_records_tree.h"
#include "ntfs/loose_records.h"
#include "ntfs/mft_attribute.h"
#include "ntfs/mft_locator.h"
#include "ntfs/mft_piece_parser.h"
#include "ntfs/mft_record_header.h"
#include "ntfs/nameless_folders.h"
#include "ntfs/named_stream.h"
#include "ntfs/ntfs_boot_sector.h"
#include "ntfs/ntfs_extents.h"
#include "ntfs/overwritten_check.h"
#include "ntfs/resident_data.h"
#include "scan/recently_deleted.h"
#include "scan/recycle_bin_names.h"
#include "scan/result_tree.h"
#include "scan/scan_context.h"
#include "scan/scan_progress.h"
#include "checkdisk/check_disk_files.h"
#include "checkdisk/check_disk_naming.h"
#include "support/archive_reader.h"
#include "support/archive_writer.h"
#include "support/settings.h"
#include "support/strings.h"

namespace tundrel {
namespace {

constexpr std::size_t kPieceBytes = 64 * 1024;
constexpr std::uint32_t kRootRecord = 5;
constexpr std::uint32_t kFewestRecords = 5;
constexpr std::uint32_t kListRecordSectors = 4;
constexpr std::int32_t kNoDataArea = -100;
constexpr std::u16string_view kClusterBitmapName = u"$Bitmap";
// Clusters are 32-bit numbers, so no cluster bitmap needs more than this.
constexpr std::uint32_t kExFatFirstCluster = 2;
constexpr std::uint64_t kLongestClusterBitmap = (std::uint64_t{1} << 32) / 8;

std::uint64_t Join(std::uint32_t low, std::uint32_t high) { return (std::uint64_t{high} << 32) | low; }

const ScanNode* FindChild(const ScanNode& folder, std::u16string_view name) {
    for (const ScanNode& child : folder.children) {
        if (child.name != nullptr && std::u16string_view(child.name) == name) return &child;
    }
    return nullptr;
}

}  // namespace

NtfsScanner::NtfsScanner(ScanContext& context) : VolumeScanner(context, kFsNtfs) {}

NtfsScanner::~NtfsScanner() = default;

std::unique_ptr<VolumeScanner> MakeNtfsScanner(ScanContext& context, std::uint32_t) {
    return std::make_unique<NtfsScanner>(context);
}

std::int32_t NtfsScanner::DataAreaStart() const { return kNoDataArea; }

bool NtfsScanner::InDeletedFileMode() const { return context_.mode == kModeDeletedFiles; }

NtfsScanner::MftOptions NtfsScanner::Options() const {
    const ScanOptions& words = scanOptions;
    return {static_cast<std::int64_t>(Join(words[0], words[1])), static_cast<std::int64_t>(Join(words[2], words[3])),
            static_cast<std::int64_t>(Join(words[4], words[5])), words[6], Join(words[8], words[9])};
}

void NtfsScanner::Scan() {
    progress_.BeginScan();
    NameRootFolders(roots, namePool);
    const std::uint32_t foundBefore = progress_.foundCount;
    const std::uint64_t bytesBefore = progress_.foundBytes;
    bool backupTried = false;
    for (;;) {
        const Outcome outcome = ScanVolume();
        if (outcome == Outcome::Scanned) {
            // The tree holds everything found: the table's memory goes to the passes after.
            filler_.reset();
            table_.Release();
            PostProcess();
            break;
        }
        if (outcome == Outcome::UnusableVolume && !progress_.StopRequested() && !backupTried && !rebuilt_) {
            backupTried = true;
            if (LoadBackupBootRecord()) {
                progress_.foundCount = foundBefore;
                progress_.foundBytes = bytesBefore;
                continue;
            }
        }
        if (outcome == Outcome::UnusableVolume && !rebuilt_) FallBackToFullScan();
        FinishScan(roots, namePool);
        break;
    }
    filler_.reset();
    table_.Release();
    progress_.EndScan();
}

NtfsScanner::Outcome NtfsScanner::ScanVolume() {
    filler_.reset();
    table_.Release();
    if (!LoadBootRecord() || !PrepareVolume()) return Outcome::UnusableVolume;
    LocateMft(boot_);
    if (volume_.mft.runs.empty() || progress_.StopRequested()) return Outcome::NoResults;
    if (!table_.Reserve(volume_.mft.RecordCount())) return Outcome::NoResults;
    ReadMft();
    ResolveAttributeListSizes();
    ResolveListedStreams();
    return BuildTree();
}

bool NtfsScanner::PrepareVolume() {
    boot_ = ReadNtfsBootRecord(bootSector);
    if (!IsUsable(boot_)) return false;
    volume_.source = source;
    volume_.volumeStart = volumeStart;
    const std::uint32_t clusterSectors = *NtfsClusterSectors(boot_.sectorsPerCluster);
    volume_.mft = MftLayout{{}, clusterSectors, boot_.mftCluster};
    volume_.clusterCount = boot_.totalSectors / clusterSectors + 1;
    // Clusters past the scanned volume (or past the source) are not this volume's, whatever its
    // boot sector says.
    if (const std::uint64_t length = SourcedVolumeSectors(); length != 0) {
        volume_.clusterCount = std::min<std::uint64_t>(volume_.clusterCount, length / clusterSectors);
    }
    return true;
}

void NtfsScanner::Serialize(ArchiveWriter& archive) const {
    VolumeScanner::Serialize(archive);
    const MftRunList& runs = volume_.mft.runs;
    archive.U32(static_cast<std::uint32_t>(runs.size()));
    archive.U32(volume_.sectorAdjustment);
    for (const MftRun& run : runs) {
        archive.U32(run.startCluster);
        archive.U32(run.clusterCount);
    }
}

bool NtfsScanner::Deserialize(ArchiveReader& archive) {
    constexpr std::uint64_t kStoredRunBytes = 8;
    if (!VolumeScanner::Deserialize(archive)) return false;
    const std::uint32_t runCount = archive.U32();
    const std::uint32_t adjustment = archive.U32();
    if (!archive.CanHold(runCount, kStoredRunBytes)) {
        archive.Fail();
        return false;
    }
    MftRunList runs(runCount);
    for (MftRun& run : runs) {
        run.startCluster = archive.U32();
        run.clusterCount = archive.U32();
        run.sparse = run.startCluster == 0;  // cluster 0 holds the boot record, never the MFT
    }
    if (!archive.Good()) return false;
    // Without a usable boot copy the volume answers no extents, as after its scan.
    if (bootLoaded) PrepareVolume();
    volume_.mft.runs = std::move(runs);
    volume_.sectorAdjustment = adjustment;
    return true;
}

void NtfsScanner::UseRebuiltVolume(RebuiltNtfsVolume rebuilt) {
    bootSector = rebuilt.bootCopy;
    bootLoaded = true;
    volume_.sectorAdjustment = rebuilt.sectorAdjustment;
    rebuilt_ = std::move(rebuilt);
}

bool NtfsScanner::LoadBootRecord() {
    if (bootLoaded) return true;
    if (!source->ReadSectors(bootSector, volumeStart)) return false;
    bootLoaded = true;
    return true;
}

bool NtfsScanner::LoadBackupBootRecord() {
    if (volumeSectors == 0) return false;
    std::array<std::uint8_t, 512> backup{};
    const std::uint64_t last = std::uint64_t{volumeStart} + volumeSectors - 1;
    if (last > UINT32_MAX || !source->ReadSectors(backup, static_cast<std::uint32_t>(last))) return false;
    if (!IsAcceptedBackupBootRecord(backup, volumeSectors)) return false;
    bootSector = backup;
    bootLoaded = true;
    return true;
}

void NtfsScanner::LocateMft(const NtfsBootRecord& boot) {
    const MftOptions options = Options();
    if (options.knownClusters > 0 && options.rangeMark == 0) {
        const auto clusters = static_cast<std::uint32_t>(std::min<std::int64_t>(options.knownClusters, UINT32_MAX));
        volume_.mft.runs = {MftRun{static_cast<std::uint32_t>(boot.mftCluster), clusters, false}};
        if (volume_.sectorAdjustment == 0) volume_.sectorAdjustment = options.adjustment;
        return;
    }
    if (options.knownClusters != 0 && options.rangeMark != 0) volume_.sectorAdjustment = options.adjustment;
    if (rebuilt_) {
        // Only where the boot copy places the MFT or its mirror: a volume reformatted over may
        // have lost the first records of its MFT and kept the rest.
        if (HoldsMftRecordAt(volume_, boot.mftCluster) || HoldsMftRecordAt(volume_, boot.mirrorCluster)) {
            volume_.mft.runs = LocateMftFromRecordZero(volume_, boot);
        }
        return;
    }
    volume_.mft.runs = LocateMftFromRecordZero(volume_, boot);
    if (volume_.mft.runs.empty()) volume_.mft.runs = SearchForMft(volume_, progress_.StopWord());
}

void NtfsScanner::ZeroExcludedWindow(std::span<std::uint8_t> piece, std::uint64_t firstSector) const {
    const MftOptions options = Options();
    const std::uint64_t from = std::min<std::uint64_t>(options.excludedToByte, options.excludedFromByte) / kSectorBytes;
    const std::uint64_t to = std::max<std::uint64_t>(options.excludedToByte, options.excludedFromByte) / kSectorBytes;
    const std::uint64_t pieceEnd = firstSector + piece.size() / kSectorBytes;
    const std::uint64_t overlapFrom = std::max(from, firstSector);
    const std::uint64_t overlapTo = std::min(to, pieceEnd);
    if (overlapFrom >= overlapTo) return;
    std::fill(piece.begin() + static_cast<std::ptrdiff_t>((overlapFrom - firstSector) * kSectorBytes),
              piece.begin() + static_cast<std::ptrdiff_t>((overlapTo - firstSector) * kSectorBytes), 0);
}

void NtfsScanner::ReadMft() {
    progress_.SetStatusText(Text16(StringId::ReadingFileRecords));
    progress_.totalUnits = table_.RecordCount();
    progress_.doneUnits = 0;
    progress_.timing = 1;
    const bool deletedMode = InDeletedFileMode();
    std::vector<std::uint8_t> buffer(kPieceBytes);
    std::uint64_t recordBase = 0;
    for (const MftRun& run : volume_.mft.runs) {
        const std::uint64_t runBytes = std::uint64_t{run.clusterCount} * volume_.ClusterBytes();
        const auto runStart = volume_.ClusterSector(run.startCluster);
        for (std::uint64_t done = 0; runStart && done < runBytes && !progress_.StopRequested(); done += kPieceBytes) {
            const std::uint64_t sector = *runStart + done / kSectorBytes;
            // Nothing lies past the source's end (when known) or the last 32-bit sector number.
            if (sector > UINT32_MAX || (source->totalSectors != 0 && sector >= source->totalSectors)) break;
            const std::span<std::uint8_t> piece(buffer.data(), static_cast<std::size_t>(std::min<std::uint64_t>(kPieceBytes, runBytes - done)));
            volume_.Read(piece, static_cast<std::uint32_t>(sector));
            ZeroExcludedWindow(piece, sector);
            RealignMftRecords(piece);
            const PiecePlace place{static_cast<std::uint32_t>(recordBase + done / kMftRecordBytes),
                                   static_cast<std::uint32_t>(sector)};
            const PieceTally tally = ParseMftPiece(piece, place, deletedMode, table_, namePool);
            progress_.foundCount += tally.counted;
            progress_.foundBytes += tally.countedBytes;
            if (tally.lastName != nullptr) progress_.SetCurrentName(tally.lastName);
            progress_.doneUnits += static_cast<std::int64_t>(piece.size() / kMftRecordBytes);
        }
        recordBase += runBytes / kMftRecordBytes;
        if (progress_.StopRequested()) break;
    }
    progress_.timing = 0;
}

namespace {

// Calls visit(record, slot, list) with the attribute list of every named file record that
// `wanted` accepts, read again from the MFT; stops when the user asks.
void ForEachAttributeList(const NtfsVolume& volume, RecordTable& table, const ScanProgress& progress,
                          const std::function<bool(const RecordSlot&)>& wanted,
                          const std::function<void(std::uint32_t, RecordSlot&, const MftAttribute&)>& visit) {
    std::array<std::uint8_t, kListRecordSectors * kSectorBytes> record{};
    table.ForEachSlot([&](std::uint32_t number, RecordSlot& slot) {
        if (slot.name == nullptr || slot.IsDirectory() || !slot.Has(kFlagAttributeList) || !wanted(slot)) return;
        if (progress.StopRequested()) return;
        if (!volume.Read(record, slot.location)) return;
        FixupFirstSector(record);
        const std::uint16_t firstAttribute = FirstAttributeOffset(record);
        if (!IsFirstAttributeInRange(firstAttribute)) return;
        AttributeWalk walk(record, firstAttribute);
        if (const auto list = walk.Find(kAttrAttributeList)) visit(number, slot, *list);
    });
}

}  // namespace

void NtfsScanner::ResolveAttributeListSizes() {
    ForEachAttributeList(
        volume_, table_, progress_, [](const RecordSlot& slot) { return slot.size == 0; },
        [&](std::uint32_t number, RecordSlot& slot, const MftAttribute& list) {
            ScanNode node = slot.Node(number);
            const auto resolved = ResolveAttributeList(volume_, list, AttributeListMode::Size, &node);
            if (resolved.size) node.size = *resolved.size;
            node.flags |= slot.flags & kPlacedInTree;
            slot.Store(node);
        });
}

// Named streams whose first extent lives in an extension record, of files with an attribute list.
void NtfsScanner::ResolveListedStreams() {
    ForEachAttributeList(
        volume_, table_, progress_, [](const RecordSlot&) { return true; },
        [&](std::uint32_t number, RecordSlot&, const MftAttribute& list) {
            for (const NamedStream& stream : ListNamedStreams(volume_, list, number, namePool)) table_.AddStream(stream);
        });
}

NtfsScanner::Outcome NtfsScanner::BuildTree() {
    progress_.totalUnits = 0;
    progress_.doneUnits = 0;
    progress_.timing = 0;
    progress_.busy = 1;  // linking has no length the display could show
    progress_.SetStatusText(Text16(StringId::BuildingFolderTree));
    for (const ExtensionName& extension : table_.ExtensionNames()) {
        const FileName& fileName = extension.fileName;
        if (RecordSlot* slot = table_.NameRecord(extension.base, fileName.parentRecord, namePool.Add(fileName.name))) {
            ScanNode node = slot->Node(extension.base);
            FillTimes(node, fileName);
            slot->Store(node);
        }
    }
    table_.SortStreams();
    if (!table_.IndexChildren()) return Outcome::NoResults;
    NameNamelessFolders(volume_, table_, namePool, progress_.StopWord());
    // The root exists when its record was read or when other records name it as parent.
    RecordSlot* rootSlot = table_.Find(kRootRecord);
    if (rootSlot == nullptr && !table_.ChildrenOf(kRootRecord).empty()) rootSlot = table_.Slot(kRootRecord);
    if (table_.RecordCount() < kFewestRecords || rootSlot == nullptr) return Outcome::UnusableVolume;
    filler_.emplace(table_, namePool, progress_.StopWord());
    if (table_.ChildrenOf(kRootRecord).empty()) {
        bool anyNamed = false;
        table_.ForEachSlot([&](std::uint32_t, const RecordSlot& slot) { anyNamed = anyNamed || slot.name != nullptr; });
        if (!anyNamed) return Outcome::NoResults;
    } else {
        rootSlot->flags |= kPlacedInTree;
        filler_->FillFromRecord(roots[RootIndex::Root], kRootRecord);
    }
    FileLostRecords();
    return Outcome::Scanned;
}

void NtfsScanner::FileLostRecords() {
    LostRecordRules rules;
    rules.keepFreeRecords = InDeletedFileMode() || !settings_.markRecoverable;
    rules.volumeStart = volumeStart;
    const std::uint64_t end = std::uint64_t{volumeStart} + boot_.totalSectors;
    rules.volumeEnd = end > UINT32_MAX || end < boot_.totalSectors ? UINT64_MAX : end;
    progress_.SetStatusText(Text16(StringId::ScanningLostFiles));
    const std::vector<std::uint32_t> lost = CollectLostRecords(table_, rules);
    if (!lost.empty()) BuildLostRecordsTree(roots[RootIndex::Scanned], lost, table_, *filler_, namePool);
    if (rebuilt_ && !rebuilt_->looseRecordSectors.empty()) {
        FileLooseRecords(roots[RootIndex::Scanned],
                         LooseRecordsOutsideMft(volume_, boot_.mirrorCluster, rebuilt_->looseRecordSectors, *source,
                                                namePool, progress_.StopWord()),
                         namePool, progress_.StopWord());
        rebuilt_->looseRecordSectors = {};
    }
}

void NtfsScanner::PostProcess() {
    SplitDeleted(roots[RootIndex::Root], roots[RootIndex::Deleted]);
    SplitDeleted(roots[RootIndex::Lost], roots[RootIndex::Deleted]);
    MoveHiddenSystemEntries(roots[RootIndex::Root], roots[RootIndex::Hidden]);
    ApplyRecycleBinNames();
    CollectRecentlyDeleted(roots, std::time(nullptr));
    FinishScan(roots, namePool);
    // A clean-up pass over the roots belongs here once its rules are settled.
    const MftOptions options = Options();
    const bool mftGivenByTask = context_.mode == kModeFullScan && options.knownClusters > 0 && options.rangeMark == 0;
    // The $Bitmap is read once: the carving of the free clusters and the overwritten check of
    // a deleted-file scan share it, so the free space is swept only once.
    // A rebuilt volume's sectors were all offered to the carving types by the sweep that found it.
    const bool carve = !mftGivenByTask && !rebuilt_ && settings_.carveInDeletedMode;
    std::vector<std::uint8_t> clusterBitmap;
    if (carve || InDeletedFileMode()) clusterBitmap = ReadClusterBitmap();
    if (carve && !clusterBitmap.empty()) CarveRemainingArea(clusterBitmap);
    if (InDeletedFileMode()) {
        MoveCheckDiskFiles();
        if (!clusterBitmap.empty()) MarkOverwrittenFiles(roots, clusterBitmap);
    }
    NameCheckDiskFiles();
}

std::vector<std::uint8_t> NtfsScanner::ReadClusterBitmap() {
    const ScanNode* bitmapFile = FindChild(roots[RootIndex::Hidden], kClusterBitmapName);
    if (bitmapFile == nullptr || bitmapFile->size == 0) return {};
    const std::uint64_t volumeClusters = boot_.totalSectors / std::max<std::uint32_t>(1, volume_.SectorsPerCluster()) + 1;
    const std::uint64_t longest = std::min(kLongestClusterBitmap, (volumeClusters + 7) / 8);
    std::vector<std::uint8_t> bitmap(static_cast<std::size_t>(std::min(bitmapFile->size, longest)));
    ExtentList extents;
    if (!BuildExtents(*bitmapFile, extents)) return {};
    ReadNodeData(bitmap, 0, *bitmapFile, extents);
    return bitmap;
}

bool NtfsScanner::BuildExtents(const ScanNode& node, ExtentList& extents) {
    // On NTFS the contiguous bit marks sparse files, which all have a record past $MFT's own
    // (number 0); a contiguous node of record 0 is a carved file, one run from its sector.
    if (node.Has(kFlagContiguous) && node.recordNumber == 0) return VolumeScanner::BuildExtents(node, extents);
    const ExtentSource found = BuildNtfsExtents(volume_, node, extents);
    if (found == ExtentSource::Guessed) {
        // The export writer reads this mark from the tree node; the slot is handed tree nodes,
        // which are never const objects.
        const_cast<ScanNode&>(node).Set(kFlagGuessedExtent, true);
    }
    return found != ExtentSource::None;
}

bool NtfsScanner::ReadNodeData(std::span<std::uint8_t> buffer, std::uint64_t offset, const ScanNode& node,
                               const ExtentList& extents) {
    if (node.Has(kFlagInRecord)) {
        if (!extents.empty()) {
            return ReadResidentData(volume_, extents.front().startSector, node.size, offset, buffer, StreamNameOf(node));
        }
        std::fill(buffer.begin(), buffer.end(), 0);
        return false;
    }
    if (node.Has(kFlagCompressed)) return ReadCompressed(volume_, extents, node.size, offset, buffer);
    return VolumeScanner::ReadNodeData(buffer, offset, node, extents);
}

std::uint64_t NtfsScanner::ExtentDataBytes(const ScanNode& node, const ExtentList& extents) const {
    if (node.Has(kFlagInRecord)) return extents.empty() ? 0 : node.size;
    // A compressed file has one extent per compression unit, whatever part of it is stored.
    if (node.Has(kFlagCompressed)) return extents.size() * kClustersPerCompressionUnit * volume_.ClusterBytes();
    return VolumeScanner::ExtentDataBytes(node, extents);
}

std::optional<std::uint32_t> NtfsScanner::FileDataSector(const ScanNode& file) const {
    // Data held in a record has no first cluster of its own.
    if (file.location <= 1 || file.Has(kFlagInRecord)) return std::nullopt;
    const std::uint64_t sector = std::uint64_t{file.extra} * volume_.SectorsPerCluster() + volumeStart;
    if (sector > UINT32_MAX) return std::nullopt;
    return static_cast<std::uint32_t>(sector);
}

void NtfsScanner::ApplyRecycleBinNames() {
    // A recycle bin of the Windows XP kind keeps its paths also in the system's code page.
    AnsiCodePage codePage(settings_.ansiCodePage);
    tundrel::ApplyRecycleBinNames(*this, codePage);
}

void NtfsScanner::CarveRemainingArea(std::span<const std::uint8_t> clusterBitmap) {
    CarvePass pass(*this, context_);
    if (!pass.Active()) return;
    // The exFAT reading of a bitmap numbers its first bit cluster 2; NTFS numbers it 0. Only
    // clusters the bitmap covers are taken: past it nothing says they are free.
    const std::uint64_t clusters = std::min<std::uint64_t>(volume_.clusterCount, std::uint64_t{clusterBitmap.size()} * 8);
    const AllocationBitmap bitmap(std::vector<std::uint8_t>(clusterBitmap.begin(), clusterBitmap.end()));
    const std::uint32_t clusterSectors = volume_.SectorsPerCluster();
    std::vector<CarveRun> runs;
    for (const ClusterRun& free : FreeClusterRuns(bitmap, clusters + kExFatFirstCluster)) {
        const auto sector = volume_.ClusterSector(free.firstCluster - kExFatFirstCluster);
        if (sector) runs.push_back({*sector, std::uint64_t{free.count} * clusterSectors});
    }
    // 64 KiB pieces, or one cluster when clusters are larger.
    const std::uint32_t pieceSectors = std::max<std::uint32_t>(128, clusterSectors);
    pass.ReadRuns(runs, {clusterSectors, pieceSectors, pieceSectors});
    pass.Finish();
}

void NtfsScanner::MoveCheckDiskFiles() { tundrel::MoveCheckDiskFiles(roots[RootIndex::Root], roots[RootIndex::Lost]); }
void NtfsScanner::NameCheckDiskFiles() { NameCheckDiskFilesByContent(*this, progress_, context_.mode); }

// A volume whose boot record is unusable is rebuilt by the full scan in full-scan mode.
void NtfsScanner::FallBackToFullScan() { tundrel::FallBackToFullScan(*this, context_, FallbackRule::AnyTaskCount); }

}  // namespace tundrel
