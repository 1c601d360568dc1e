#include "modes/full_scan_sweep.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <string_view>

#include "disk/boot_sector.h"
#include "disk/volume_info.h"
#include "exfat/exfat_boot_sector.h"
#include "fat/directory_block.h"
#include "fat/fat_boot_sector.h"
#include "ntfs/mft_record_parse.h"
#include "ntfs/ntfs_boot_sector.h"
#include "scan/scan_progress.h"
#include "support/byte_reader.h"

namespace tundrel {
namespace {

// The backup boot region of an exFAT volume follows the main one's 12 sectors.
constexpr std::uint64_t kExFatBackupDistance = 12;
// A FAT table's later sectors confirm its start only this close to it.
constexpr std::uint64_t kFat16Reach = 125;
constexpr std::uint64_t kFat32Reach = 1000;
// Consecutive entries that make a run of chain values: a file's clusters one after another.
constexpr std::size_t kChainRun = 4;
// Table starts waiting for confirmation; the oldest gives way.
constexpr std::size_t kMaxPendingTables = 64;

bool BeginsWith(std::span<const std::uint8_t> sector, std::string_view text) {
    return sector.size() >= text.size() && std::memcmp(sector.data(), text.data(), text.size()) == 0;
}

// The first value of the first run of kChainRun + 1 entries each one more than the one
// before, in a sector of `width`-byte entries; 0 when there is none.
std::uint32_t FirstChainRun(std::span<const std::uint8_t> sector, std::size_t width) {
    const ByteReader reader(sector);
    const std::size_t count = sector.size() / width;
    const std::uint32_t mask = width == 2 ? 0xFFFFu : 0x0FFFFFFFu;
    auto entry = [&](std::size_t index) {
        return (width == 2 ? reader.U16(index * 2) : reader.U32(index * 4)) & mask;
    };
    std::size_t run = 0;
    for (std::size_t index = 1; index < count; ++index) {
        const std::uint32_t previous = entry(index - 1);
        run = previous >= 2 && entry(index) == previous + 1 ? run + 1 : 0;
        if (run == kChainRun) return entry(index - kChainRun);
    }
    return 0;
}

bool IsAllZeroEntry(std::span<const std::uint8_t> sector) {
    const auto entry = sector.first(kFatEntryBytes);
    return std::all_of(entry.begin(), entry.end(), [](std::uint8_t byte) { return byte == 0; });
}

bool IsFileRecordOf(const ScanNode& node, std::u16string_view name) {
    return node.name != nullptr && std::u16string_view(node.name) == name;
}

}  // namespace

FullScanSweep::FullScanSweep(SweepSelection selection, FullScanCandidates& candidates, ScanProgress* progress)
    : selection_(selection), candidates_(candidates), progress_(progress) {}

void FullScanSweep::Examine(std::span<const std::uint8_t> piece, std::uint64_t firstSector) {
    const std::size_t count = piece.size() / kSectorBytes;
    if (recordHead_ && count > 0 && recordHead_->sector + 1 == firstSector) {
        TestFileRecord(recordHead_->bytes, piece.first(kSectorBytes), recordHead_->sector);
    }
    recordHead_.reset();
    for (std::size_t index = 0; index < count; ++index) {
        const auto sector = piece.subspan(index * kSectorBytes, kSectorBytes);
        const std::uint64_t at = firstSector + index;
        // Boot records are looked for only behind their signature, checked once.
        const bool signature = HasBootSignature(sector);
        if (selection_.fat) {
            if (signature && TestFatBoot(sector, at)) continue;
            TestFatTable(sector, at);
            // A directory sector whose first entry is empty lists nothing.
            if (!IsAllZeroEntry(sector)) TestFatDirectory(sector, at);
        }
        if (selection_.ntfs) {
            if (signature && TestNtfsBoot(sector, at)) continue;
            if (BeginsWith(sector, "FILE")) {
                if (index + 1 < count) {
                    TestFileRecord(sector, piece.subspan((index + 1) * kSectorBytes, kSectorBytes), at);
                } else {
                    SectorCopy head;
                    head.sector = at;
                    std::copy(sector.begin(), sector.end(), head.bytes.begin());
                    recordHead_ = head;
                }
            }
        }
        if (selection_.exfat && signature) TestExFatBoot(sector, at);
    }
}

bool FullScanSweep::TestFatBoot(Sector sector, std::uint64_t at) {
    if (!IsFatBootSector(sector, sector)) return false;
    SectorCopy copy;
    copy.sector = at;
    std::copy(sector.begin(), sector.end(), copy.bytes.begin());
    candidates_.fatBoots.Add(copy);
    return true;
}

void FullScanSweep::TestFatTable(Sector sector, std::uint64_t at) {
    std::uint32_t run16 = 0;
    std::uint32_t run32 = 0;
    bool looked = false;
    for (auto pending = pendingTables_.begin(); pending != pendingTables_.end();) {
        const std::uint64_t distance = at - pending->sector;
        if (distance >= kFat32Reach) {
            pending = pendingTables_.erase(pending);
            continue;
        }
        if (!looked) {
            run16 = FirstChainRun(sector, 2);
            run32 = FirstChainRun(sector, 4);
            looked = true;
        }
        unsigned bits = 0;
        if (distance < kFat16Reach && run16 != 0 && at - run16 / 256 == pending->sector) bits = 16;
        if (bits == 0 && run32 != 0 && at - run32 / 128 == pending->sector) bits = 32;
        if (bits != 0) {
            candidates_.fatTables.Add({pending->sector, bits});
            pending = pendingTables_.erase(pending);
            continue;
        }
        ++pending;
    }
    const ByteReader reader(sector);
    if (reader.U8(0) == 0xF8 && reader.U8(1) == 0xFF && reader.U8(2) == 0xFF) {
        if (pendingTables_.size() >= kMaxPendingTables) pendingTables_.erase(pendingTables_.begin());
        pendingTables_.push_back({at});
    }
}

void FullScanSweep::TestFatDirectory(Sector sector, std::uint64_t at) {
    if (!IsFatDirectoryBlock(sector, kSectorBytes / kFatEntryBytes, {})) return;
    SectorCopy copy;
    copy.sector = at;
    std::copy(sector.begin(), sector.end(), copy.bytes.begin());
    candidates_.fatDirectories.Add(copy);
}

bool FullScanSweep::TestNtfsBoot(Sector sector, std::uint64_t at) {
    if (!IsNtfsBootSector(sector, sector)) return false;
    SectorCopy copy;
    copy.sector = at;
    std::copy(sector.begin(), sector.end(), copy.bytes.begin());
    candidates_.ntfsBoots.Add(copy);
    return true;
}

void FullScanSweep::TestFileRecord(Sector first, Sector second, std::uint64_t at) {
    // Both update-sequence places of a record still written whole hold the same value.
    if (first[510] != second[510] || first[511] != second[511]) return;
    if (at > std::numeric_limits<std::uint32_t>::max()) return;
    std::copy(first.begin(), first.end(), record_.begin());
    std::copy(second.begin(), second.end(), record_.begin() + kSectorBytes);
    const std::array<std::uint8_t, 1024> original = record_;
    // Once the table of loose records is full, names go to a pool of their own, dropped at once.
    const bool full = candidates_.looseRecords.items.size() >= candidates_.looseRecords.kCap;
    NamePool scratch;
    ScanNode node;
    const std::uint32_t parent = ParseMftRecord(record_, node, full ? scratch : candidates_.names);
    if (node.name == nullptr) return;
    node.extra = parent;
    node.location = static_cast<std::uint32_t>(at);
    const bool mft = IsFileRecordOf(node, u"$MFT");
    if (mft || IsFileRecordOf(node, u"$MFTMirr")) {
        MftCandidate candidate;
        candidate.sector = at;
        candidate.mirror = !mft;
        candidate.record = original;
        candidates_.mftRecords.Add(candidate);
    }
    if (progress_ != nullptr) {
        if (!node.IsDirectory()) progress_->foundBytes += node.size;
        ++progress_->foundCount;
        progress_->SetCurrentName(node.name);
    }
    if (full) {
        candidates_.looseRecords.capped = true;
        return;
    }
    candidates_.looseRecords.Add(std::move(node));
}

bool FullScanSweep::TestExFatBoot(Sector sector, std::uint64_t at) {
    if (!IsExFatBootSector(sector)) return false;
    const bool backup = lastExFatBoot_ && at == *lastExFatBoot_ + kExFatBackupDistance;
    if (!backup) {
        SectorCopy copy;
        copy.sector = at;
        std::copy(sector.begin(), sector.end(), copy.bytes.begin());
        candidates_.exfatBoots.Add(copy);
        lastExFatBoot_ = at;
    }
    return true;
}

}  // namespace tundrel
