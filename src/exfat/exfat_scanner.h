#pragma once
// The scanner of exFAT volumes.

#include <cstdint>
#include <memory>
#include <optional>
#include <unordered_map>

#include "exfat/exfat_allocation_bitmap.h"
#include "exfat/exfat_directory_listing.h"
#include "exfat/exfat_geometry.h"
#include "fat/fat_table.h"
#include "scan/volume_scanner.h"

namespace tundrel {

// Clusters the scan has met, to what they belong.
enum ClusterOwner : std::uint32_t {
    kDirectoryCluster = 0,  // holds entries of a directory already listed
    kFileCluster = 1,       // first cluster of a live file
};
using ClusterOwnerMap = std::unordered_map<std::uint32_t, std::uint32_t>;

class ExFatScanner final : public VolumeScanner {
public:
    ExFatScanner(ScanContext& context, std::uint32_t fsType);
    ~ExFatScanner() override;

    // Lists the directory tree, moves deleted and hidden system entries to their roots and,
    // in the deleted-file mode, reads deleted directories and searches the free clusters for
    // lost ones.
    void Scan() override;
    // Live files with a FAT chain follow it (lengthened to the size when it is short); deleted
    // and contiguous files are one run from their first cluster. Runs end at the end of the
    // volume; a first cluster below 2 has no data. A file reads as zeros past its valid data length.
    bool BuildExtents(const ScanNode& node, ExtentList& extents) override;
    std::optional<std::uint32_t> FileDataSector(const ScanNode& file) const override;
    // The cluster heap's first sector; -1 without a usable boot sector.
    std::int32_t DataAreaStart() const override;
    void OnBootSectorLoaded() override;
    // The common part, then sectorScale and stateWord, one word each.
    void Serialize(ArchiveWriter& archive) const override;
    bool Deserialize(ArchiveReader& archive) override;

    std::uint32_t sectorScale = 1;  // 512-byte sectors per sector of the volume
    // The scan's outcome: kExFatVolumeRead when its boot sector, table and root directory
    // were read (otherwise the volume went to the full scan).
    std::uint32_t stateWord = 0;
    static constexpr std::uint32_t kExFatVolumeRead = 0x1;

private:
    // Sectors the scan may read from volumeStart on: the volume as the task gave it, cut to
    // the source and to 32-bit sector numbers.
    std::uint64_t VolumeLength() const;
    const ExFatGeometry* Geometry();
    bool InDeletedFileMode() const;

    // The scan's steps.
    bool ReadBootSector();
    bool PrepareTable();
    bool ListRoot();
    void ReadAllocationBitmap();
    void WalkDirectories();
    void RearrangeSpecialFolders();
    // The free clusters of the bitmap that the walk did not find holding a directory or a
    // live file; without a bitmap, the whole heap.
    ClusterRunList UnownedFreeRuns();
    // Deleted-file mode: one sweep of the free clusters for lost directories and, when a type
    // is on, for files by their content.
    void SearchLostDirectories();
    // Other modes: the sweep of the free clusters for files by their content alone.
    void CarveRemainingArea();

    // Directory walk.
    bool ReadDirectory(ScanNode& node, int depth);
    void ReportChildren(const ScanNode& directory);
    void WalkLive(ScanNode& directory, int depth);
    void WalkDeleted(ScanNode& directory, int depth);
    void EnterClusters(const ClusterRunList& runs, std::uint32_t owner);

    std::optional<ExFatGeometry> geometry_;
    FatTable table_;
    AllocationBitmap bitmap_;
    ClusterOwnerMap clusterOwners_;
    ExFatListContext listing_;
};

std::unique_ptr<VolumeScanner> MakeExFatScanner(ScanContext& context, std::uint32_t fsType);

}  // namespace tundrel
