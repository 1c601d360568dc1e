#pragma once
// What the full scan's sweep keeps of the sectors that matter, for rebuilding the volumes they
// belong to afterwards: copies of boot records and MFT records, confirmed FAT table starts,
// FAT directory sectors and the MFT records it parsed on the way. Sector numbers are absolute
// on the source. Every table is capped, so a disk full of lookalikes cannot exhaust memory;
// a table that reached its cap says so.

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "scan/name_pool.h"
#include "scan/scan_node.h"

namespace tundrel {

struct SectorCopy {
    std::uint64_t sector = 0;
    std::array<std::uint8_t, 512> bytes{};
};

// A record named "$MFT" or "$MFTMirr", both of its sectors.
struct MftCandidate {
    std::uint64_t sector = 0;
    bool mirror = false;  // "$MFTMirr"
    std::array<std::uint8_t, 1024> record{};
};

// The first sector of a FAT whose start the sweep confirmed by the chain values after it.
struct FatTableStart {
    std::uint64_t sector = 0;
    unsigned bits = 0;  // 16 or 32
};

template <typename T, std::size_t Cap>
struct CappedTable {
    static constexpr std::size_t kCap = Cap;
    std::vector<T> items;
    bool capped = false;  // an item was refused: the table is full

    // False, and nothing kept, once the table holds kCap items.
    bool Add(T item) {
        if (items.size() >= kCap) {
            capped = true;
            return false;
        }
        items.push_back(std::move(item));
        return true;
    }
};

struct FullScanCandidates {
    CappedTable<SectorCopy, 65'536> ntfsBoots;
    CappedTable<MftCandidate, 65'536> mftRecords;
    // Parsed records with a name: `location` is the record's absolute sector, `recordNumber`
    // the number its header gives, `extra` the parent record its name gives; names live in
    // `names`.
    CappedTable<ScanNode, 4'000'000> looseRecords;
    CappedTable<SectorCopy, 65'536> fatBoots;
    CappedTable<FatTableStart, 65'536> fatTables;
    // Sectors opening with "." and "..", or passing the directory-block test (128 MiB at most).
    CappedTable<SectorCopy, 262'144> fatDirectories;
    CappedTable<SectorCopy, 65'536> exfatBoots;
    NamePool names;

    bool AnyCapped() const {
        return ntfsBoots.capped || mftRecords.capped || looseRecords.capped || fatBoots.capped || fatTables.capped ||
               fatDirectories.capped || exfatBoots.capped;
    }
};

}  // namespace tundrel
