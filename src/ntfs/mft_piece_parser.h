#pragma once
// The scanner's bulk pass: the records of one piece of the MFT, read in place into the
// record table.

#include <cstdint>
#include <span>

#include "ntfs/record_table.h"
#include "scan/name_pool.h"

namespace tundrel {

struct PieceTally {
    std::uint32_t counted = 0;      // named records that count as found in this task mode
    std::uint64_t countedBytes = 0;
    const char16_t* lastName = nullptr;
};

struct PiecePlace {
    std::uint32_t firstRecord;  // record number of the piece's first 1024 bytes
    std::uint32_t firstSector;  // their source sector
};

// Parses every 1024-byte block of `piece` that holds a record (the piece must already be
// realigned). `deletedMode` selects which records count as found: deleted ones in
// deleted-file recovery, the others otherwise. Stops early when a table slot cannot be had.
PieceTally ParseMftPiece(std::span<std::uint8_t> piece, PiecePlace place, bool deletedMode, RecordTable& table,
                         NamePool& names);

}  // namespace tundrel
