#pragma once
// The label and creation date of a volume, read for display. Each reader expects a boot
// sector that passed the test of its type in `record.bootSector` and leaves the record's
// label and date untouched when it finds nothing.

#include <cstdint>
#include <string>
#include <string_view>

#include "disk/sector_source.h"
#include "disk/volume_info.h"

namespace tundrel {

// NTFS: the name of MFT record 3 ($Volume) and its creation date.
void ReadNtfsVolumeFacts(SectorSource& source, VolumeInfo& record);
// FAT12/16/32: the label entry of the root directory, and the creation date of the
// "System Volume Information" folder. Labels are in the OEM code page `codePage`.
void ReadFatVolumeFacts(SectorSource& source, VolumeInfo& record, std::string_view codePage);
// exFAT: the label entry of the root directory.
void ReadExFatVolumeFacts(SectorSource& source, VolumeInfo& record);

// "2024-03-04" from a FAT date; empty for the date 0.
std::u16string DateText(std::uint16_t fatDate);

}  // namespace tundrel
