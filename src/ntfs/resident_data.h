#pragma once
// Reading data that is held inside an MFT record.

#include <cstdint>
#include <span>
#include <string_view>

#include "ntfs/ntfs_volume.h"

namespace tundrel {

// Copies buffer.size() bytes from `offset` of the resident unnamed $DATA of the record at
// `recordSector`. False, with zeros, when the range passes `size`, the record cannot be read
// or is no record, or its value does not lie inside the record.
// `stream` names a named stream to read instead.
bool ReadResidentData(const NtfsVolume& volume, std::uint64_t recordSector, std::uint64_t size, std::uint64_t offset,
                      std::span<std::uint8_t> buffer, std::u16string_view stream = {});

}  // namespace tundrel
