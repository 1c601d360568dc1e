#pragma once
// A folder's $I30 index: the entries of its $INDEX_ROOT and of its INDX blocks, each keyed
// by a copy of the child's $FILE_NAME, and the entries left in the slack after the live ones.

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "ntfs/file_name_attribute.h"

namespace tundrel {

struct IndexEntry {
    std::uint32_t record = 0;  // the low half of the file reference (its sequence number left aside)
    FileName key;
    bool fromSlack = false;  // found past the node's last live entry
};

struct IndexRoot {
    std::uint32_t blockBytes = 0;  // size of each INDX block; 0 when the root gives none that is sound
    std::vector<IndexEntry> entries;
};

// The entries of an $INDEX_ROOT value (the resident value, header at 0x10).
IndexRoot ReadIndexRoot(std::span<const std::uint8_t> value);

// Applies the update sequence of an INDX block in place: every sector's last two bytes must
// hold the sequence number and get back the bytes saved for them. False (the block untouched
// past the first bad sector) when the block is no INDX block or its sequence does not fit.
bool FixupIndexBlock(std::span<std::uint8_t> block);
// The same for any block that carries an update sequence (an MFT record), whatever its signature.
bool ApplyUpdateSequence(std::span<std::uint8_t> block);

// The entries of an INDX block after FixupIndexBlock (header at 0x18).
std::vector<IndexEntry> ReadIndexBlock(std::span<const std::uint8_t> block);

}  // namespace tundrel
