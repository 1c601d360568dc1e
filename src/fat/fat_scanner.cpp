#include "fat/fat_scanner.h"

#include <algorithm>
#include <ctime>
#include <limits>

#include "carve/carve_pass.h"
#include "disk/fs_type.h"
#include "disk/lost_partition_search.h"
#include "disk/sector_source.h"
#include "disk/volume_info.h"
#include "fat/chain_heads.h"
#include "fat/directory_block.h"
#include "fat/fat_file_system.h"
#include "fat/lost_directories.h"
#include "fat/overwritten_files.h"
#include "scan/child_array.h"
#include "support/archive_reader.h"
#include "support/archive_writer.h"
#include "scan/full_scan_fallback.h"
#include "scan/hidden_system_entries.h"
#include "fat/run_reader.h"
#include "scan/split_deleted.h"
#include "scan/recently_deleted.h"
#include "scan/recycle_bin_names.h"
#include "scan/scan_context.h"
#include "scan/scan_progress.h"
#include "checkdisk/check_disk_files.h"
#include "checkdisk/check_disk_naming.h"
#include "support/byte_reader.h"
#include "support/settings.h"
#include "support/strings.h"

namespace tundrel {
namespace {

// A boot sector that does not describe the volume may be a stray copy in front of the real
// one: the real one is looked for this many sectors on.
constexpr std::uint32_t kBootSearchSectors = 59;

}  // namespace

FatScanner::FatScanner(ScanContext& context, std::uint32_t type)
    : VolumeScanner(context, type), codePage_(settings_.ansiCodePage) {
    listing_.fsType = type;
    listing_.parameters = &parameters_;
    listing_.directoryClusters = &directoryClusters_;
    listing_.stop = &progress_.StopWord();
    listing_.names = &namePool;
    listing_.codePage = &codePage_;
}

FatScanner::~FatScanner() = default;

std::unique_ptr<VolumeScanner> MakeFatScanner(ScanContext& context, std::uint32_t fsType) {
    return std::make_unique<FatScanner>(context, fsType);
}

std::uint64_t FatScanner::VolumeLength() const {
    std::uint64_t length = SourcedVolumeSectors();
    if (length == 0) length = Parameters().TotalSectorBound();
    return std::min(length, kSectorNumberEnd - volumeStart);
}

bool FatScanner::PrepareGeometry() {
    parameters_ = Parameters();
    regions_ = ComputeFatRegions(parameters_, fsType, useSecondFat, VolumeLength());
    if (!regions_) return false;
    // A volume rebuilt without a confirmed table has an empty one: its chains all end at once.
    const bool tableKnown = (scannerWord & kFatWordTableNotRead) == 0;
    table_.Configure(source, volumeStart + regions_->tableStart, tableKnown ? regions_->tableSectors : 0, regions_->width);
    return true;
}

const FatRegions* FatScanner::Geometry() {
    if (!regions_ && bootLoaded) PrepareGeometry();
    return regions_ ? &*regions_ : nullptr;
}

bool FatScanner::ReadVolumeSectors(std::span<std::uint8_t> buffer, std::uint64_t sector) {
    const std::uint64_t first = volumeStart + sector;
    if (first + buffer.size() / kSectorBytes > kSectorNumberEnd) return false;
    return source->ReadSectors(buffer, static_cast<std::uint32_t>(first));
}

bool FatScanner::InDeletedFileMode() const { return context_.mode == kModeDeletedFiles; }

void FatScanner::ClearPhase() {
    progress_.EndScan();
    progress_.SetStatusText({});
}

std::int32_t FatScanner::DataAreaStart() const {
    if (regions_) return static_cast<std::int32_t>(regions_->dataStart);
    const auto regions = ComputeFatRegions(Parameters(), fsType, useSecondFat, VolumeLength());
    return regions ? static_cast<std::int32_t>(regions->dataStart) : -1;
}

void FatScanner::Serialize(ArchiveWriter& archive) const {
    VolumeScanner::Serialize(archive);
    archive.U32(useSecondFat ? 1 : 0);
}

bool FatScanner::Deserialize(ArchiveReader& archive) {
    if (!VolumeScanner::Deserialize(archive)) return false;
    useSecondFat = archive.U32() != 0;
    regions_.reset();
    return archive.Good();
}

bool FatScanner::ExpandDirectory(ScanNode& node, std::uint32_t) {
    // A loaded tree was filled wholly before it was saved.
    if (treeLoaded_ || !InDeletedFileMode() || !node.IsDirectory() || Geometry() == nullptr) return false;
    node.Set(kFlagLostSearchMark, true);
    WalkDirectory(node, 1);
    return !node.children.empty();
}

std::uint32_t FatScanner::NodeFirstSector(const ScanNode& node) const {
    const std::int32_t dataStart = DataAreaStart();
    if (dataStart < 0) return 0;
    const std::uint64_t cluster = std::max<std::uint32_t>(node.location, 2);
    const std::uint64_t sector = static_cast<std::uint64_t>(dataStart) + Parameters().sectorsPerCluster * (cluster - 2);
    return static_cast<std::uint32_t>(std::min<std::uint64_t>(sector, std::numeric_limits<std::uint32_t>::max()));
}

void FatScanner::Scan() {
    NameRootFolders(roots, namePool);
    progress_.BeginScan();
    progress_.busy = 1;
    // A volume the full scan rebuilt from collected directory sectors never falls back again.
    const bool usable = collected_ ? true : ReadDirectoryTree() || RetryWithBootSectorNearby();
    if (collected_) {
        if (ReadCollectedTree()) RearrangeSpecialFolders();
        ClearPhase();
    } else if (usable) {
        RearrangeSpecialFolders();
        ClearPhase();
        if (InDeletedFileMode()) {
            progress_.busy = 1;
            progress_.SetStatusText(Text16(StringId::ScanningLostDirectories));
            ExpandDeletedDirectories();
            ListWipedFolderClusters();
            if (!progress_.StopRequested()) SearchLostChains();
            progress_.busy = 0;
            MoveCheckDiskFiles(roots[RootIndex::Root], roots[RootIndex::Lost]);
        }
        if (!progress_.StopRequested()) CarveRemainingArea();
    }
    NameCheckDiskFilesByContent(*this, progress_, context_.mode);
    if (table_.IsLoaded()) {
        for (ScanNode& root : roots.roots) MarkOverwrittenFiles(root, table_);
    }
    FinishScan(roots, namePool);
    table_.Release();
    ClearPhase();
    // Boot parameters that do not describe the volume: the full scan over the same area.
    if (!usable) FallBackToFullScan(*this, context_, FallbackRule::LoneTask);
}

bool FatScanner::ReadDirectoryTree() {
    if (!bootLoaded) {
        if (!ReadVolumeSectors(bootSector, 0)) return false;
        bootLoaded = true;
    }
    // Parameters that fail the checks, a table that cannot be loaded and an unreadable root
    // all mean the boot sector is not the volume's: the search for the real one a few sectors
    // on, and the hand-over to the full scan, join here.
    if (!PrepareGeometry() || !table_.LoadWhole()) return false;

    progress_.SetStatusText({});
    progress_.totalUnits = static_cast<std::int64_t>(CountChainHeads(table_.Loaded(), regions_->width));
    progress_.busy = 0;
    progress_.timing = InDeletedFileMode() ? 0 : 1;
    progress_.SetStatusText(Text16(StringId::ScanningRootDirectory));

    const auto rootBytes = ReadRootDirectory();
    if (!rootBytes || rootBytes->size() < kSectorBytes) return false;
    ScanNode& root = roots[RootIndex::Root];
    root.Set(kFlagDirectory, true);
    ListDirectory(root, *rootBytes, rootBytes->size() / kFatEntryBytes, listing_, false);
    ReportChildren(root);
    for (ScanNode& child : root.children) {
        if (!child.IsDirectory() || progress_.StopRequested()) break;
        if (!child.Has(kFlagDeleted)) WalkDirectory(child, 1);
    }
    return true;
}

bool FatScanner::RetryWithBootSectorNearby() {
    if (progress_.StopRequested() || std::uint64_t{volumeStart} + 1 + kBootSearchSectors > kSectorNumberEnd) return false;
    const FileSystemEntry* const fatOnly[] = {&kFatFileSystem};
    const std::vector<VolumeInfo> found = SweepSectorsForVolumes(
        *source, fatOnly, static_cast<std::uint32_t>(volumeStart + 1), kBootSearchSectors, progress_.StopWord());
    if (found.empty() || !found.front().bootValid) return false;
    const VolumeInfo& volume = found.front();
    const std::uint64_t reserved = ByteReader(volume.bootSector).U16(14);
    const std::uint64_t shifted = reserved + (volume.startSector - volumeStart);
    if (shifted > std::numeric_limits<std::uint16_t>::max()) return false;
    std::copy_n(volume.bootSector.begin(), FatBpb().size(), bootSector.begin());
    bootSector[14] = static_cast<std::uint8_t>(shifted);
    bootSector[15] = static_cast<std::uint8_t>(shifted >> 8);
    useSecondFat = true;
    bootLoaded = true;
    regions_.reset();
    return ReadDirectoryTree();
}

std::optional<std::vector<std::uint8_t>> FatScanner::ReadRootDirectory() {
    if (fsType == kFsFat32) {
        // The root is a directory like any other: nothing may list or walk it a second time.
        directoryClusters_.insert(regions_->rootCluster);
        listedClusters_.insert(regions_->rootCluster);
        return ReadRuns(ChainToRuns(regions_->rootCluster, table_, DirectoryChain()), *source, volumeStart, *regions_);
    }
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>((regions_->rootBytes + kSectorBytes - 1) / kSectorBytes * kSectorBytes));
    if (!ReadVolumeSectors(bytes, regions_->rootStart)) return std::nullopt;
    bytes.resize(static_cast<std::size_t>(regions_->rootBytes));
    return bytes;
}

void FatScanner::RearrangeSpecialFolders() {
    SplitDeleted(roots[RootIndex::Root], roots[RootIndex::Deleted]);
    MoveHiddenSystemEntries(roots[RootIndex::Root], roots[RootIndex::Hidden]);
    ApplyRecycleBinNames(*this, codePage_);
    CollectRecentlyDeleted(roots, std::time(nullptr));
}

std::optional<std::uint32_t> FatScanner::FileDataSector(const ScanNode& file) const {
    if (file.location < 2 || DataAreaStart() < 0) return std::nullopt;
    const std::uint64_t sector = std::uint64_t{NodeFirstSector(file)} + volumeStart;
    if (sector > std::numeric_limits<std::uint32_t>::max()) return std::nullopt;
    return static_cast<std::uint32_t>(sector);
}


void FatScanner::CarveRemainingArea() {
    CarvePass pass(*this, context_);
    if (!pass.Active()) return;
    // The free clusters no directory of the scan accounts for, merged into runs.
    const std::uint64_t end = std::min(regions_->ClusterLimit(), table_.EntryCount());
    const std::uint32_t clusterSectors = regions_->sectorsPerCluster;
    std::vector<CarveRun> runs;
    for (std::uint64_t cluster = 2; cluster < end && !progress_.StopRequested(); ++cluster) {
        if (!IsUnownedFreeCluster(static_cast<std::uint32_t>(cluster))) continue;
        const std::uint64_t sector = volumeStart + regions_->ClusterSector(static_cast<std::uint32_t>(cluster));
        if (!runs.empty() && runs.back().firstSector + runs.back().sectors == sector) {
            runs.back().sectors += clusterSectors;
        } else {
            runs.push_back({sector, clusterSectors});
        }
    }
    // Each cluster is offered by itself, then looked at as a directory no directory names.
    std::vector<LostDirectoryRecord> lost;
    const std::uint64_t dataStart = volumeStart + regions_->dataStart;
    const auto checkLost = [&](std::span<const std::uint8_t> bytes, std::uint64_t sector) {
        const auto number = static_cast<std::uint32_t>((sector - dataStart) / clusterSectors + 2);
        auto record = ListLostDirectory(bytes, number, sector, listing_);
        if (!record) return;
        CountLostDirectoryRecord(*record, progress_);
        lost.push_back(std::move(*record));
    };
    // Lost directories are looked for in the deleted-file mode only.
    pass.ReadRuns(runs, {clusterSectors, std::max<std::uint32_t>(128, clusterSectors), clusterSectors},
                  InDeletedFileMode() ? ReadClusterSeam(checkLost) : ReadClusterSeam());
    // Placed before the finds are attached, so that a find a lost file already holds is dropped.
    std::vector<ScanNode> folders = LinkFatLostDirectories(std::move(lost), namePool, regions_->ClusterBytes());
    if (!folders.empty()) AppendChildren(roots[RootIndex::Scanned], std::move(folders));
    pass.Finish();
}

}  // namespace tundrel
