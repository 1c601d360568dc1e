#pragma once
// NTFS keeps a copy of its boot sector in the last sector of the volume.

#include "disk/sector_source.h"
#include "disk/volume_info.h"

namespace tundrel {

// Looks for the backup boot sector near the end of the partition: among the 128 sectors from
// 33 before the partition's end, the first that passes the NTFS test and whose own volume
// size puts its last sector exactly where it was found. Copies it into `record.bootSector`.
bool RecoverNtfsBootSector(SectorSource& source, VolumeInfo& record);

}  // namespace tundrel
