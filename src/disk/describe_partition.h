#pragma once
// Completes a partition found in the table: its boot sector (repaired from the backup copy
// or rebuilt when needed), label and creation date.

#include <atomic>
#include <cstdint>
#include <string_view>

#include "disk/boot_sector.h"
#include "disk/sector_source.h"
#include "disk/volume_info.h"

namespace tundrel {

// Code page of FAT labels unless the caller names another.
inline constexpr std::string_view kDefaultLabelCodePage = "CP932";

// Reads the boot sector unless `record.bootValid` already vouches for it; sets `bootValid`
// when the sector that ends up in the record passes the test of its type.
// `fileSystems` are the file systems the record's type is looked up in.
void DescribePartition(SectorSource& source, VolumeInfo& record, const std::atomic<std::uint32_t>& stop,
                       FileSystemTable fileSystems, std::string_view labelCodePage = kDefaultLabelCodePage);

}  // namespace tundrel
