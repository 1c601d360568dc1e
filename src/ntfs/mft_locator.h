#pragma once
// Finding the master file table of a volume: through its own record 0 (at the boot record's
// start cluster, the usual place, or the mirror), or by searching for a run of records.

#include <atomic>
#include <cstdint>

#include "ntfs/data_runs.h"
#include "ntfs/ntfs_boot_record.h"
#include "ntfs/ntfs_volume.h"

namespace tundrel {

// The MFT's runs as its record 0 ($MFT) lists them; empty when no record 0 is found.
// `volume` supplies the source, start, adjustment and cluster size.
MftRunList LocateMftFromRecordZero(const NtfsVolume& volume, const NtfsBootRecord& boot);

// Looks for a stretch of records where formatting tools usually put the MFT (6,291,456
// sectors or 32 sectors into the volume) and measures it in steps of 50,000 sectors.
MftRunList SearchForMft(const NtfsVolume& volume, const std::atomic<std::uint32_t>& stop);

// Records in a 64 KiB buffer, counted at 512-byte steps ("FILE" at a step or the next one
// counts one record and skips a step).
std::uint32_t CountRecordSignatures(std::span<const std::uint8_t> buffer);

}  // namespace tundrel
