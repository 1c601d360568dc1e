#pragma once
// Where a file's data lies, as runs of 512-byte sectors on the scanned source.

#include <cstdint>
#include <vector>

namespace tundrel {

// A further piece that belongs to an extent; the compressed read follows these (the other
// pieces of a compression unit). Scanners that fill them say what they carry.
struct ExtentPiece {
    std::uint64_t startSector = 0;
    std::uint64_t sectorCount = 0;
};
static_assert(sizeof(ExtentPiece) == 16);

struct FileExtent {
    std::vector<ExtentPiece> pieces;
    std::uint64_t startSector = 0;
    std::uint64_t sectorCount = 0;
    // The extent's last `zeroBytes` bytes read as zeros and are never read from the disk: all of
    // a sparse run, or the part of a file past what its writer filled in (NTFS initialized
    // size, exFAT valid data length), whose clusters may still hold older data.
    std::uint64_t zeroBytes = 0;
};

// Reading a file means reading its extents in order, the last one cut to the file's size.
using ExtentList = std::vector<FileExtent>;

// Makes every byte of the extents from file offset `validBytes` on read as zeros.
void ZeroFillFrom(ExtentList& extents, std::uint64_t validBytes);

}  // namespace tundrel
