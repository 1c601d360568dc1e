#pragma once
// The label of an exFAT volume, read for display.

#include "disk/sector_source.h"
#include "disk/volume_info.h"

namespace tundrel {

// The label entry of the root directory's first cluster. Expects a boot sector that passed the
// exFAT test in `record.bootSector`; leaves the label untouched when it finds none.
void ReadExFatVolumeFacts(SectorSource& source, VolumeInfo& record);

}  // namespace tundrel
