#pragma once
// The scanner of FAT12, FAT16 and FAT32 volumes.

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "platform/ansi_code_page.h"
#include "fat/cluster_runs.h"
#include "fat/collected_directories.h"
#include "fat/directory_listing.h"
#include "fat/fat_boot_parameters.h"
#include "fat/fat_regions.h"
#include "fat/fat_table.h"
#include "scan/volume_scanner.h"

namespace tundrel {

// A bit of FatScanner::scannerWord: the volume's allocation table is not read (a volume
// rebuilt without a confirmed table), so every file is one run from its first cluster.
inline constexpr std::uint32_t kFatWordTableNotRead = 0x1;

class FatScanner final : public VolumeScanner {
public:
    FatScanner(ScanContext& context, std::uint32_t fsType);
    ~FatScanner() override;

    // Lists the volume's directory tree, moves deleted and hidden system entries to their
    // roots and, in the deleted-file mode, reads what deleted directories still hold.
    void Scan() override;
    std::uint32_t NodeFirstSector(const ScanNode& node) const override;
    // Live files follow their chain (lengthened to the size when it is short); deleted files
    // are taken as contiguous from their first cluster. Runs end at the end of the volume.
    bool BuildExtents(const ScanNode& node, ExtentList& extents) override;
    std::optional<std::uint32_t> FileDataSector(const ScanNode& file) const override;
    // In the deleted-file mode, reads a directory that has no children yet.
    bool ExpandDirectory(ScanNode& node, std::uint32_t word) override;
    std::int32_t DataAreaStart() const override;
    // The common part, then useSecondFat as one word.
    void Serialize(ArchiveWriter& archive) const override;
    bool Deserialize(ArchiveReader& archive) override;

    // Table reads go to the second copy when the volume has exactly two.
    bool useSecondFat = true;

    // Builds the tree from directory clusters a sweep of the disk collected rather than from
    // the root alone (the boot sector, real or made up, must be loaded). Called before Scan.
    void UseCollectedDirectories(CollectedDirectories collected);

private:
    FatBootParameters Parameters() const { return FatBootParameters::Parse(FatBpb()); }
    // Sectors the scan may read from volumeStart on: the volume as the task gave it, cut to
    // the source and to 32-bit sector numbers.
    std::uint64_t VolumeLength() const;
    bool PrepareGeometry();
    const FatRegions* Geometry();
    bool ReadVolumeSectors(std::span<std::uint8_t> buffer, std::uint64_t sector);
    bool InDeletedFileMode() const;
    void ClearPhase();

    // The scan's steps.
    bool ReadDirectoryTree();
    // The volume's real boot sector a few sectors on, its reserved area counted from here.
    bool RetryWithBootSectorNearby();
    std::optional<std::vector<std::uint8_t>> ReadRootDirectory();
    void RearrangeSpecialFolders();

    // Directory walk: reads the live subdirectories below a node.
    bool WalkDirectory(ScanNode& node, int depth);
    ChainLimits DirectoryChain() const;
    void ReportChildren(const ScanNode& directory);

    // Deleted-directory expansion over the deleted-files root.
    void ExpandDeletedDirectories();
    void ExpandDeleted(ScanNode& node, int depth);
    void ListDeletedDirectory(ScanNode& node);

    // The later clusters of deleted folders, read from the free clusters no directory owns.
    void ListWipedFolderClusters();
    bool IsUnownedFreeCluster(std::uint32_t cluster);

    // The chains the table holds that no directory owns, as lost folders and files.
    void SearchLostChains();

    // Offers the free clusters that no directory owns to the carving types.
    void CarveRemainingArea();

    // The tree of a volume known by its collected directory clusters.
    bool ReadCollectedTree();
    bool CollectedRootReadable();
    ClusterRun CollectedRun(std::uint32_t first);
    void LinkCollectedClusters();
    void AddWipedFolder(std::uint32_t firstCluster, std::vector<std::uint8_t>& run);

    FatBootParameters parameters_;  // as last prepared from the boot sector
    FatTable table_;
    std::optional<FatRegions> regions_;
    DirectoryClusters directoryClusters_;  // first clusters known to hold a live directory
    DirectoryClusters listedClusters_;     // directory clusters already read, so no loop reads one twice
    AnsiCodePage codePage_;
    ListContext listing_;
    std::optional<CollectedDirectories> collected_;
};

std::unique_ptr<VolumeScanner> MakeFatScanner(ScanContext& context, std::uint32_t fsType);

}  // namespace tundrel
