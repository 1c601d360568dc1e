#include "exfat/exfat_scanner.h"

#include <algorithm>
#include <ctime>
#include <limits>

#include "carve/carve_pass.h"
#include "disk/sector_source.h"
#include "disk/volume_info.h"
#include "exfat/exfat_lost_directories.h"
#include "exfat/exfat_runs.h"
#include "platform/ansi_code_page.h"
#include "scan/full_scan_fallback.h"
#include "scan/hidden_system_entries.h"
#include "scan/split_deleted.h"
#include "scan/child_array.h"
#include "scan/recently_deleted.h"
#include "scan/recycle_bin_names.h"
#include "scan/scan_context.h"
#include "scan/scan_progress.h"
#include "checkdisk/check_disk_naming.h"
#include "support/archive_reader.h"
#include "support/archive_writer.h"
#include "support/byte_reader.h"
#include "support/settings.h"
#include "support/strings.h"

namespace tundrel {
namespace {

constexpr std::size_t kVolumeLengthField = 72;
constexpr std::size_t kHeapOffsetField = 88;
// A directory walk goes no deeper; it also ends a walk that a damaged volume sends in circles.
constexpr int kMaxWalkDepth = 51;

}  // namespace

ExFatScanner::ExFatScanner(ScanContext& context, std::uint32_t type) : VolumeScanner(context, type) {
    listing_.names = &namePool;
}

ExFatScanner::~ExFatScanner() = default;

std::unique_ptr<VolumeScanner> MakeExFatScanner(ScanContext& context, std::uint32_t fsType) {
    return std::make_unique<ExFatScanner>(context, fsType);
}

void ExFatScanner::OnBootSectorLoaded() {
    sectorScale = ExFatSectorScale(bootSector);
    geometry_.reset();
}

void ExFatScanner::Serialize(ArchiveWriter& archive) const {
    VolumeScanner::Serialize(archive);
    archive.U32(sectorScale);
    archive.U32(stateWord);
}

bool ExFatScanner::Deserialize(ArchiveReader& archive) {
    if (!VolumeScanner::Deserialize(archive)) return false;
    const std::uint32_t scale = archive.U32();
    stateWord = archive.U32();
    // The scale comes from a sector shift of 9 to 12 (at most 4 KiB sectors); a file of the
    // version without boot copies has no other source for it.
    if (!archive.Good() || scale == 0 || scale > 8 || (scale & (scale - 1)) != 0) {
        archive.Fail();
        return false;
    }
    sectorScale = scale;
    geometry_.reset();
    return true;
}

std::int32_t ExFatScanner::DataAreaStart() const {
    if (!bootLoaded) return -1;
    const std::uint64_t start = std::uint64_t{ByteReader(bootSector).U32(kHeapOffsetField)} * sectorScale;
    return start <= std::uint64_t{std::numeric_limits<std::int32_t>::max()} ? static_cast<std::int32_t>(start) : -1;
}

std::uint64_t ExFatScanner::VolumeLength() const {
    std::uint64_t length = SourcedVolumeSectors();
    if (length == 0) length = ByteReader(bootSector).U64(kVolumeLengthField) * sectorScale;
    return std::min(length, kSectorNumberEnd - volumeStart);
}

const ExFatGeometry* ExFatScanner::Geometry() {
    if (!geometry_ && bootLoaded) {
        geometry_ = ComputeExFatGeometry(bootSector, VolumeLength());
        if (geometry_) {
            table_.Configure(source, volumeStart + geometry_->tableStart, geometry_->tableSectors, FatWidth::Fat32);
        }
    }
    return geometry_ ? &*geometry_ : nullptr;
}

bool ExFatScanner::InDeletedFileMode() const { return context_.mode == kModeDeletedFiles; }

void ExFatScanner::Scan() {
    NameRootFolders(roots, namePool);
    progress_.BeginScan();
    progress_.busy = 1;
    const bool usable = ReadBootSector() && Geometry() != nullptr && PrepareTable() && ListRoot();
    stateWord = usable ? kExFatVolumeRead : 0;
    if (usable) {
        ReadAllocationBitmap();
        progress_.SetStatusText({});
        progress_.busy = 0;
        progress_.timing = InDeletedFileMode() ? 0 : 1;
        progress_.SetStatusText(Text16(StringId::ScanningRootDirectory));
        WalkDirectories();
        RearrangeSpecialFolders();
        if (!progress_.StopRequested()) {
            if (InDeletedFileMode()) {
                SearchLostDirectories();
            } else {
                CarveRemainingArea();
            }
        }
        // A deleted file shown as recoverable while its first cluster holds other data would
        // be recovered as garbage: the marks are set whenever the bitmap is known, also when
        // the scan was stopped early.
        if (!bitmap_.Empty()) {
            for (RootIndex root : {RootIndex::Deleted, RootIndex::Recent, RootIndex::Scanned}) {
                MarkOverwritten(roots[root], bitmap_);
            }
        }
        NameCheckDiskFilesByContent(*this, progress_, context_.mode);
    }
    bitmap_.Release();
    FinishScan(roots, namePool);
    table_.Release();
    progress_.EndScan();
    progress_.SetStatusText({});
    // A volume whose boot sector, table or root directory cannot be read goes to the full scan
    // over the same area.
    if (!usable) FallBackToFullScan(*this, context_, FallbackRule::LoneTask);
}

bool ExFatScanner::ReadBootSector() {
    if (bootLoaded) return true;
    if (!source->ReadSectors(bootSector, volumeStart)) return false;
    bootLoaded = true;
    OnBootSectorLoaded();
    return true;
}

bool ExFatScanner::PrepareTable() {
    if (table_.LoadWhole()) return true;
    // A table too large for memory is still read through the window; one that cannot be read
    // at all means the boot sector is not the volume's.
    // Any value may be stored, so the entry is looked up twice over different starting
    // values: a read leaves both equal, no read leaves both as they were.
    std::uint32_t first = 0;
    std::uint32_t second = 1;
    table_.NextCluster(2, &first);
    table_.NextCluster(2, &second);
    return first == second;
}

bool ExFatScanner::ListRoot() {
    const ExFatGeometry& g = *geometry_;
    const ClusterRunList runs =
        ChainToRuns(g.rootCluster, table_, {kMaxExFatDirectoryBytes / g.ClusterBytes(), g.ClusterLimit()});
    EnterClusters(runs, kDirectoryCluster);
    const auto bytes = ReadExFatRuns(runs, *source, volumeStart, g);
    if (!bytes || bytes->size() < kSectorBytes) return false;
    ScanNode& root = roots[RootIndex::Root];
    root.Set(kFlagDirectory, true);
    ListExFatDirectory(root, *bytes, listing_, false);
    return true;
}

void ExFatScanner::ReadAllocationBitmap() {
    const ExFatGeometry& g = *geometry_;
    for (const ScanNode& child : roots[RootIndex::Root].children) {
        if (child.name == nullptr || kBitmapNodeName != child.name || !child.Has(kFlagSystem) ||
            !child.Has(kFlagHidden)) {
            continue;
        }
        // One bit per cluster of the heap: a longer bitmap on disk is damage.
        const std::uint64_t heapBytes = (std::uint64_t{g.clusterCount} + 7) / 8;
        const std::uint64_t length = std::min(child.size, heapBytes);
        const ClusterRunList runs = ExFatNodeRuns(child, table_, g, ClustersForSize(length, g.ClusterBytes()));
        auto bytes = ReadExFatRuns(runs, *source, volumeStart, g);
        if (!bytes) return;
        if (bytes->size() > length) bytes->resize(static_cast<std::size_t>(length));
        bitmap_ = AllocationBitmap(std::move(*bytes));
        progress_.totalUnits = static_cast<std::int64_t>(bitmap_.CountUsed());
        return;
    }
}

void ExFatScanner::EnterClusters(const ClusterRunList& runs, std::uint32_t owner) {
    for (const ClusterRun& run : runs) {
        for (std::uint64_t k = 0; k < run.count; ++k) {
            clusterOwners_[static_cast<std::uint32_t>(run.firstCluster + k)] = owner;
        }
    }
}

bool ExFatScanner::ReadDirectory(ScanNode& node, int depth) {
    const auto listed = clusterOwners_.find(node.location);
    if (listed != clusterOwners_.end() && listed->second == kDirectoryCluster) return false;
    const ExFatGeometry& g = *geometry_;
    if (depth >= kMaxWalkDepth) return false;
    const ClusterRunList runs = ExFatNodeRuns(node, table_, g, kMaxExFatDirectoryBytes / g.ClusterBytes());
    if (runs.empty()) return false;
    EnterClusters(runs, kDirectoryCluster);
    const auto bytes = ReadExFatRuns(runs, *source, volumeStart, g);
    if (!bytes) return false;
    return ListExFatDirectory(node, *bytes, listing_, true) && !node.children.empty();
}

void ExFatScanner::ReportChildren(const ScanNode& directory) {
    const std::uint64_t clusterBytes = geometry_->ClusterBytes();
    const bool everything = InDeletedFileMode();
    for (const ScanNode& child : directory.children) {
        const bool live = !child.Has(kFlagDeleted);
        if (live && child.size != 0) {
            progress_.doneUnits += static_cast<std::int64_t>(ClustersForSize(child.size, clusterBytes));
        }
        if (everything || live) {
            ++progress_.foundCount;
            progress_.SetCurrentName(child.name != nullptr ? std::u16string(child.name) : std::u16string());
            if (live && !child.IsDirectory()) progress_.foundBytes += child.size;
        }
        if (live && !child.IsDirectory()) {
            const auto known = clusterOwners_.find(child.location);
            if (known == clusterOwners_.end() || known->second != kDirectoryCluster) {
                clusterOwners_[child.location] = kFileCluster;
            }
        }
    }
}

void ExFatScanner::WalkDirectories() {
    ScanNode& root = roots[RootIndex::Root];
    WalkLive(root, 1);
    // Deleted directories are read only after every live one, so that a cluster a live
    // directory took over is listed as that directory and not as the deleted one.
    if (InDeletedFileMode()) WalkDeleted(root, 1);
}

void ExFatScanner::WalkLive(ScanNode& directory, int depth) {
    ReportChildren(directory);
    for (ScanNode& child : directory.children) {
        if (!child.IsDirectory() || progress_.StopRequested()) break;
        if (!child.Has(kFlagDeleted) && ReadDirectory(child, depth)) WalkLive(child, depth + 1);
    }
}

void ExFatScanner::WalkDeleted(ScanNode& directory, int depth) {
    if (depth >= kMaxWalkDepth) return;
    for (ScanNode& child : directory.children) {
        if (!child.IsDirectory() || progress_.StopRequested()) break;
        if (child.Has(kFlagDeleted) && child.children.empty() && ReadDirectory(child, depth)) {
            ReportChildren(child);
        }
        WalkDeleted(child, depth + 1);
    }
}

void ExFatScanner::RearrangeSpecialFolders() {
    SplitDeleted(roots[RootIndex::Root], roots[RootIndex::Deleted]);
    MoveHiddenSystemEntries(roots[RootIndex::Root], roots[RootIndex::Hidden]);
    // A recycle bin of the Windows XP kind keeps its paths also in the system's code page.
    AnsiCodePage codePage(settings_.ansiCodePage);
    ApplyRecycleBinNames(*this, codePage);
    CollectRecentlyDeleted(roots, std::time(nullptr));
}

ClusterRunList ExFatScanner::UnownedFreeRuns() {
    const ExFatGeometry& g = *geometry_;
    // A missing or short bitmap leaves the rest of the heap free.
    std::vector<std::uint8_t> used((std::uint64_t{g.clusterCount} + 7) / 8, 0);
    const auto known = bitmap_.Bytes();
    std::copy_n(known.begin(), std::min(known.size(), used.size()), used.begin());
    AllocationBitmap taken(std::move(used));
    for (const auto& [cluster, owner] : clusterOwners_) taken.MarkUsed(cluster);
    return FreeClusterRuns(taken, g.ClusterLimit());
}

void ExFatScanner::CarveRemainingArea() {
    CarvePass pass(*this, context_);
    if (!pass.Active()) return;
    const ExFatGeometry& g = *geometry_;
    std::vector<CarveRun> runs;
    for (const ClusterRun& free : UnownedFreeRuns()) {
        runs.push_back({volumeStart + g.ClusterSector(free.firstCluster), std::uint64_t{free.count} * g.clusterSectors});
    }
    // 64 KiB pieces, or one cluster when clusters are larger.
    const std::uint32_t pieceSectors = std::max<std::uint32_t>(128, g.clusterSectors);
    pass.ReadRuns(runs, {g.clusterSectors, pieceSectors, pieceSectors});
    pass.Finish();
}

void ExFatScanner::SearchLostDirectories() {
    const ExFatGeometry& g = *geometry_;
    progress_.busy = 1;
    progress_.SetStatusText(Text16(StringId::ScanningLostDirectories));
    const ClusterRunList freeRuns = UnownedFreeRuns();

    progress_.totalUnits = static_cast<std::int64_t>(ClusterCount(freeRuns));
    progress_.doneUnits = 0;
    progress_.timing = 1;
    // The carving types see every free cluster the search reads, through its cluster seam.
    CarvePass carving(*this, context_, CarveGate::TypesOnly);
    LostDirectorySearch search{*source, volumeStart, g, progress_, listing_, {}};
    if (carving.Active()) {
        progress_.SetStatusText(Text16(StringId::ScanningLostFiles));
        search.carveCluster = [&carving](std::span<const std::uint8_t> cluster, std::uint64_t sector) {
            carving.Dispatch(cluster, sector);
        };
    }
    std::vector<LostDirectoryRecord> records = FindLostDirectories(freeRuns, search);
    carving.Finish();
    std::vector<ScanNode> folders = LinkLostDirectories(std::move(records), namePool, g.ClusterBytes());
    if (!folders.empty()) AppendChildren(roots[RootIndex::Scanned], std::move(folders));
    progress_.busy = 0;
}

}  // namespace tundrel
