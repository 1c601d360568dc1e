#pragma once
// The GUID partition table that a protective MBR entry (type 0xEE) stands for: the header at
// LBA 1 or, when that is damaged, the backup header in the disk's last LBA, and the entry
// array each names. LBAs count the disk's logical sectors (512 or 4,096 bytes).

#include <cstdint>

#include "disk/partition_table.h"

namespace tundrel {

// Appends a record for each used entry whose boot sector is NTFS, exFAT, FAT16 or FAT32, or,
// with a damaged boot sector, whose type is basic data (taken as NTFS) or EFI system (FAT32).
// A damaged header or an entry array that fails its CRC adds a note to the walk, and the other
// copy is read.
void ReadGuidPartitionTable(PartitionWalk& walk);

// The logical sector size of the disk: a block device's own; for an image, 512 or 4,096,
// whichever places "EFI PART" at LBA 1 (512 when neither does).
std::uint32_t LogicalSectorBytes(SectorSource& source);

}  // namespace tundrel
