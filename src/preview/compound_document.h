#pragma once
// The compound document (OLE2) of a Word, Excel or PowerPoint file held whole in memory, as the
// preview reads it: the header, the sector tables, the directory, and whole streams. Only
// documents of 512-byte sectors are read. Every sector number, chain and size is checked against
// the buffer: a chain ends where it leaves the buffer or comes back to a sector it has passed,
// and a stream never comes out longer than the buffer could hold.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "carve/compound_file.h"

namespace tundrel {

class CompoundDocument {
public:
    static constexpr std::size_t kMinimumBytes = 1024;
    static constexpr std::size_t kSectorBytes = 512;
    static constexpr std::size_t kShortSectorBytes = 64;

    // Reads the tables and directory of the document in `bytes`, which must outlive this object.
    // False, and the document stays invalid, under 1,024 bytes, without the signature, with
    // sectors other than 512 bytes, or when the header counts more table sectors than the
    // buffer holds.
    bool Load(std::span<const std::uint8_t> bytes);
    bool Valid() const { return valid_; }

    const std::vector<CompoundEntry>& Entries() const { return entries_; }
    // The stream entry named `name`; nothing when the directory has none.
    const CompoundEntry* FindStream(std::u16string_view name) const;
    // A stream's bytes: from 64-byte short sectors inside the root entry's stream when its size
    // is below the header's cutoff, else from 512-byte sectors. Shorter than the entry's size
    // when the chain ends early.
    std::vector<std::uint8_t> ReadStream(const CompoundEntry& entry) const;

private:
    std::span<const std::uint8_t> Sector(std::uint32_t sector) const;
    std::vector<std::uint8_t> SectorChain(std::uint32_t first, std::uint64_t limit) const;
    std::vector<std::uint8_t> ShortSectorChain(std::uint32_t first, std::uint64_t limit) const;

    std::span<const std::uint8_t> bytes_;
    CompoundHeader header_;
    std::vector<std::uint32_t> masterTable_;  // the sectors that hold the sector table
    std::vector<std::uint32_t> sectorTable_;
    std::vector<std::uint32_t> shortSectorTable_;
    std::vector<CompoundEntry> entries_;
    std::vector<std::uint8_t> shortStream_;  // the root entry's stream
    bool valid_ = false;
};

}  // namespace tundrel
