#pragma once
// The MBR partition table and its chain of extended boot records.

#include <atomic>
#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "disk/boot_sector.h"
#include "disk/sector_source.h"
#include "disk/volume_info.h"

namespace tundrel {

// A table deeper than this in the extended chain is not read.
inline constexpr unsigned kMaxTableDepth = 31;
// Tables read per disk at most: a legitimate chain never comes near, and a damaged one whose
// EBRs fan out into distinct sectors cannot make the walk read without end.
inline constexpr std::size_t kMaxTablesRead = 128;

struct PartitionWalk {
    PartitionWalk(SectorSource& source, const std::atomic<std::uint32_t>& stop, FileSystemTable fileSystems)
        : source(source), stop(stop), fileSystems(fileSystems) {}

    SectorSource& source;
    const std::atomic<std::uint32_t>& stop;
    FileSystemTable fileSystems;  // tell NTFS from exFAT behind type 0x07
    std::vector<VolumeInfo> records;
    // Sectors of the tables read so far; an EBR that links back to one of them is not read again.
    std::set<std::uint32_t> tablesRead;
    bool gptRead = false;
    std::vector<std::string> notes;  // damage the user should hear of (a GUID table's), one line each
};

// Reads the four entries of one MBR or EBR (`table`, which sits at `base`) and appends a
// record for each NTFS, exFAT, FAT16 or FAT32 entry; extended entries are followed.
// Logical partitions count from their own EBR (`base`); links to the next EBR count from the
// start of the outermost extended partition (`extendedBase`, 0 while reading the MBR).
void WalkPartitionTable(PartitionWalk& walk, SectorBytes table, std::uint32_t base, std::uint32_t extendedBase,
                        unsigned depth);

}  // namespace tundrel
