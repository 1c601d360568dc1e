#pragma once
// What the partition and volume layers know of one file system. Each file system exports one
// entry from its own folder; one table lists them all, and the functions of this folder that
// need to tell file systems apart loop over the table they are handed.

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "disk/boot_sector.h"
#include "disk/sample_region.h"
#include "disk/sector_source.h"
#include "disk/volume_info.h"

namespace tundrel {

class ScanContext;
class VolumeScanner;

using ScannerFactory = std::unique_ptr<VolumeScanner> (*)(ScanContext& context, std::uint32_t fsType);

// Where an NTFS boot sector puts the MFT and its mirror, in sectors from the volume's start.
struct MftPlacement {
    std::uint32_t clusterSectors = 0;
    std::uint64_t mftSector = 0;
    std::uint64_t mirrorSector = 0;
    std::uint64_t totalSectors = 0;  // as the boot sector counts them (the backup copy's place)
};

// A FAT volume made from the tables and directories found where no boot sector is left.
struct RebuiltFatVolume {
    std::uint32_t fsType = 0;
    std::uint32_t sectorCount = 0;
    BootSectorBytes bootSector{};
};

// A boot sector made from MFT records found where no boot sector explains them.
struct VolumeFromMft {
    BootSectorBytes bootSector{};
    std::uint64_t mftSector = 0;  // from the volume's start
};

struct FileSystemEntry {
    // The type codes its volumes get (FAT: FAT16 for FAT12 and FAT16, and FAT32); kFsRaw pads.
    std::array<std::uint32_t, 2> fsTypes{};
    // The type code a boot sector announces when it passes this file system's test, else kFsRaw.
    std::uint32_t (*recognize)(SectorBytes bootSector) = nullptr;
    // Puts a sector that passes the test into `record.bootSector` when the one read does not:
    // from a backup copy, or rebuilt from the structures found. Null when there is no way.
    bool (*repairBootSector)(SectorSource& source, VolumeInfo& record, const std::atomic<std::uint32_t>& stop) = nullptr;
    // The label and creation date, for display; leaves them untouched when it finds nothing.
    // FAT labels are in the OEM code page `labelCodePage`.
    void (*readVolumeFacts)(SectorSource& source, VolumeInfo& record, std::string_view labelCodePage) = nullptr;
    // Whether two boot sectors of this file system describe the same layout: a mounted
    // volume and a partition found on a disk are then the same volume.
    bool (*sameLayout)(SectorBytes a, SectorBytes b) = nullptr;
    // The volume-relative places of the file system's own structures, sampled to tell whether a
    // volume lies on a given disk.
    void (*addSampleRegions)(SectorBytes bootSector, std::uint64_t volumeSectors,
                             std::vector<SampleRegion>& regions) = nullptr;
    ScannerFactory makeScanner = nullptr;

    // What the lost-partition search asks beyond the boot-sector test; null where the file
    // system has no such structure.
    // FAT: whether the bytes begin a FAT (the table that follows the reserved sectors).
    bool (*startsTable)(SectorBytes bytes) = nullptr;
    // FAT: a volume whose first sector is `start`, rebuilt from what lies after it.
    std::optional<RebuiltFatVolume> (*searchGeometry)(SectorSource& source, std::uint64_t start,
                                                      const std::atomic<std::uint32_t>& stop) = nullptr;
    // Whether the block holds directory entries (FAT: over 16; exFAT: a root's, or an entry
    // set): confirms a root directory.
    bool (*holdsDirectoryBlock)(std::span<const std::uint8_t> block) = nullptr;
    // NTFS: the MFT and mirror places of a boot sector that passes the test.
    std::optional<MftPlacement> (*mftPlacement)(SectorBytes bootSector) = nullptr;
    // NTFS: whether the record at the start of `records` is the $MFT's own (fixed up in place).
    bool (*holdsOwnMftRecord)(std::span<std::uint8_t> records) = nullptr;
    // NTFS: a volume rebuilt from the MFT's first records (64 sectors from record 0), sized
    // from $MFTMirr or $Bitmap.
    std::optional<VolumeFromMft> (*volumeFromMft)(std::span<std::uint8_t> records) = nullptr;

    bool Serves(std::uint32_t fsType) const {
        return fsType != kFsRaw && (fsTypes[0] == fsType || fsTypes[1] == fsType);
    }
};

using FileSystemTable = std::span<const FileSystemEntry* const>;

// The entry that serves a type code, or null.
const FileSystemEntry* FindFileSystem(FileSystemTable fileSystems, std::uint32_t fsType);

}  // namespace tundrel
