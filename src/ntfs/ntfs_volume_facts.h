#pragma once
// The label and creation date of an NTFS volume, read for display.

#include "disk/sector_source.h"
#include "disk/volume_info.h"

namespace tundrel {

// The name of MFT record 3 ($Volume) and its creation date. Expects a boot sector that passed
// the NTFS test in `record.bootSector`; leaves label and date untouched when it finds nothing.
void ReadNtfsVolumeFacts(SectorSource& source, VolumeInfo& record);

}  // namespace tundrel
