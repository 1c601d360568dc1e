#pragma once
// The label and creation date of a FAT volume, read for display.

#include <cstdint>
#include <string>
#include <string_view>

#include "disk/sector_source.h"
#include "disk/volume_info.h"

namespace tundrel {

// The label entry of the root directory, and the creation date of the "System Volume
// Information" folder. Labels are in the OEM code page `codePage`. Expects a boot sector that
// passed the FAT test in `record.bootSector`; leaves label and date untouched when it finds nothing.
void ReadFatVolumeFacts(SectorSource& source, VolumeInfo& record, std::string_view codePage);

// "2024-03-04" from a FAT date; empty for the date 0.
std::u16string DateText(std::uint16_t fatDate);

}  // namespace tundrel
