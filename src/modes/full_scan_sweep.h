#pragma once
// The full scan's look at every sector it reads: boot records of FAT, NTFS and exFAT volumes,
// the starts of FAT tables, FAT directory sectors and MFT file records, kept in the capped
// candidate tables from which the volumes are rebuilt afterwards.

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "scan/full_scan_candidates.h"

namespace tundrel {

class ScanProgress;

// The file systems the sweep looks for.
struct SweepSelection {
    bool fat = true;
    bool ntfs = true;
    bool exfat = true;

    bool Any() const { return fat || ntfs || exfat; }
};

class FullScanSweep {
public:
    // `progress`, when given, counts the named records met and shows the last one's name.
    FullScanSweep(SweepSelection selection, FullScanCandidates& candidates, ScanProgress* progress);

    // Tests each whole sector of `piece`, whose first byte is at `firstSector`. Pieces come in
    // ascending order; a file record whose second sector opens the next piece is tested then.
    void Examine(std::span<const std::uint8_t> piece, std::uint64_t firstSector);

private:
    using Sector = std::span<const std::uint8_t>;  // 512 bytes

    // The boot-record tests expect a sector whose signature 55 AA was seen.
    bool TestFatBoot(Sector sector, std::uint64_t at);
    void TestFatTable(Sector sector, std::uint64_t at);
    void TestFatDirectory(Sector sector, std::uint64_t at);
    bool TestNtfsBoot(Sector sector, std::uint64_t at);
    void TestFileRecord(Sector first, Sector second, std::uint64_t at);
    bool TestExFatBoot(Sector sector, std::uint64_t at);

    // A sector that opened with F8 FF FF, waiting for the chain values that confirm it.
    struct PendingTable {
        std::uint64_t sector = 0;
    };

    SweepSelection selection_;
    FullScanCandidates& candidates_;
    ScanProgress* progress_;
    std::vector<PendingTable> pendingTables_;
    std::optional<std::uint64_t> lastExFatBoot_;
    // The last sector of the previous piece when it opens a file record.
    std::optional<SectorCopy> recordHead_;
    std::array<std::uint8_t, 1024> record_{};
};

}  // namespace tundrel
