#pragma once
// The scanner of NTFS volumes: reads every record of the master file table in bulk, links
// the records by the parents their names give, and answers where each file's data lies.

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "ntfs/data_runs.h"
#include "ntfs/directory_filler.h"
#include "ntfs/ntfs_boot_record.h"
#include "ntfs/ntfs_volume.h"
#include "ntfs/record_table.h"
#include "ntfs/rebuilt_ntfs_volume.h"
#include "scan/volume_scanner.h"

namespace tundrel {

class NtfsScanner final : public VolumeScanner {
public:
    explicit NtfsScanner(ScanContext& context);
    ~NtfsScanner() override;

    void Scan() override;
    bool BuildExtents(const ScanNode& node, ExtentList& extents) override;
    bool ReadNodeData(std::span<std::uint8_t> buffer, std::uint64_t offset, const ScanNode& node,
                      const ExtentList& extents) override;
    std::uint64_t ExtentDataBytes(const ScanNode& node, const ExtentList& extents) const override;
    std::optional<std::uint32_t> FileDataSector(const ScanNode& file) const override;
    // NTFS has no data area of its own; the answer tells the carving framework so.
    std::int32_t DataAreaStart() const override;
    // The common part, then the MFT's run count, the sector adjustment and each run (start
    // cluster, cluster count).
    void Serialize(ArchiveWriter& archive) const override;
    bool Deserialize(ArchiveReader& archive) override;

    // Where the MFT lies, kept after the scan for extents, data reads and stored results.
    const MftRunList& MftRuns() const { return volume_.mft.runs; }
    std::uint32_t SectorAdjustment() const { return volume_.sectorAdjustment; }
    // A volume rebuilt by the full scan may sit off the place its clusters name.
    void SetSectorAdjustment(std::uint32_t sectors) { volume_.sectorAdjustment = sectors; }
    const NtfsVolume& Volume() const { return volume_; }
    // Scans a volume the full scan rebuilt from what its sweep found: the given boot copy is
    // trusted, the $MFT is read only where it places it, and an unusable volume ends the scan
    // (no backup boot record, no new full scan). Called before Scan.
    void UseRebuiltVolume(RebuiltNtfsVolume rebuilt);

private:
    enum class Outcome { Scanned, NoResults, UnusableVolume };

    // The task's scan options read as the MFT bounds they carry.
    struct MftOptions {
        std::int64_t excludedFromByte;  // P
        std::int64_t knownClusters;     // Q: the MFT is one run of this many clusters
        std::int64_t rangeMark;         // R
        std::uint32_t adjustment;       // S
        std::uint64_t excludedToByte;   // T
    };
    MftOptions Options() const;

    Outcome ScanVolume();
    bool LoadBootRecord();
    // Reads the boot record from the boot sector copy and sets the volume's geometry from it,
    // the MFT's runs left empty; false when the record is unusable.
    bool PrepareVolume();
    bool LoadBackupBootRecord();
    void LocateMft(const NtfsBootRecord& boot);
    void ReadMft();
    void ZeroExcludedWindow(std::span<std::uint8_t> piece, std::uint64_t firstSector) const;
    void ResolveAttributeListSizes();
    void ResolveListedStreams();
    Outcome BuildTree();
    void FileLostRecords();
    void PostProcess();
    // The $Bitmap's bytes, one bit per cluster; empty when it cannot be read.
    std::vector<std::uint8_t> ReadClusterBitmap();
    // Offers the clusters the bitmap marks free to the carving types.
    void CarveRemainingArea(std::span<const std::uint8_t> clusterBitmap);
    bool InDeletedFileMode() const;

    // Passes that arrive with other parts of the engine.
    void ApplyRecycleBinNames();
    void MoveCheckDiskFiles();
    void NameCheckDiskFiles();
    void FallBackToFullScan();

    NtfsVolume volume_;
    NtfsBootRecord boot_;
    RecordTable table_;
    std::optional<DirectoryFiller> filler_;
    std::optional<RebuiltNtfsVolume> rebuilt_;
};

std::unique_ptr<VolumeScanner> MakeNtfsScanner(ScanContext& context, std::uint32_t fsType);

}  // namespace tundrel
