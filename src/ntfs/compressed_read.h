#pragma once
// Reading a byte range of an NTFS-compressed file, one compression unit at a time.

#include <cstdint>
#include <span>

#include "ntfs/ntfs_volume.h"
#include "scan/file_extent.h"

namespace tundrel {

// Fills `buffer` with the file's bytes from `offset`, through the units made by
// GroupCompressionUnits. A unit that decodes to less than its size reads as zeros after what
// it held. False, with the undelivered rest zeroed, when a unit is missing or oversized, a
// read fails, the data does not decode, or the request passes the file's size.
bool ReadCompressed(const NtfsVolume& volume, const ExtentList& units, std::uint64_t fileSize, std::uint64_t offset,
                    std::span<std::uint8_t> buffer);

}  // namespace tundrel
