#pragma once
// A volume's first sector, and the file-system type it announces.

#include <cstdint>
#include <span>

namespace tundrel {

using SectorBytes = std::span<const std::uint8_t>;

struct FileSystemEntry;
using FileSystemTable = std::span<const FileSystemEntry* const>;

// The type code of the first file system in `fileSystems` whose test the sector passes, or RAW.
std::uint32_t BootSectorType(FileSystemTable fileSystems, SectorBytes sector);

// True when the last two bytes of a 512-byte sector are 55 AA.
bool HasBootSignature(SectorBytes sector);

}  // namespace tundrel
