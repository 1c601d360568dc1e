#pragma once
// The allocation table of a FAT volume as the scanner reads it: a window of whole table
// sectors refilled on demand, or the whole table held in memory during a scan.

#include <cstdint>
#include <span>
#include <vector>

#include "fat/fat_entry_value.h"

namespace tundrel {

class SectorSource;

class FatTable {
public:
    // The copy to read begins at `firstSector` of the source (absolute) and is `tableSectors`
    // long. Drops whatever was held.
    void Configure(SectorSource* source, std::uint64_t firstSector, std::uint64_t tableSectors, FatWidth width);

    // Reads the whole copy into memory; later lookups never read the disk again. False when
    // the memory cannot be had or a read fails; the table then falls back to the window.
    bool LoadWhole();
    bool IsLoaded() const { return whole_; }
    // Frees the buffer, whole or window.
    void Release();

    // The cluster after `cluster` in its chain, or 0 for the end of the chain, for clusters
    // below 2 or beyond the table, and when the table cannot be read. `raw`, when given,
    // receives the entry as stored (left alone when nothing could be read).
    std::uint32_t NextCluster(std::uint32_t cluster, std::uint32_t* raw = nullptr);

    std::uint64_t EntryCount() const { return EntriesIn(tableSectors_ * 512, width_); }
    FatWidth Width() const { return width_; }
    // The loaded table; empty unless LoadWhole succeeded.
    std::span<const std::uint8_t> Loaded() const;

private:
    bool ReadWindow(std::uint64_t tableSector);

    SectorSource* source_ = nullptr;
    std::uint64_t firstSector_ = 0;
    std::uint64_t tableSectors_ = 0;
    FatWidth width_ = FatWidth::Fat16;
    std::vector<std::uint8_t> buffer_;
    std::uint64_t bufferFirstSector_ = 0;  // table sector of the buffer's first byte
    bool whole_ = false;
};

}  // namespace tundrel
