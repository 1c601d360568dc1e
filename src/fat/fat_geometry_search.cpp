#include "fat/fat_geometry_search.h"

#include <algorithm>
#include <bit>
#include <map>

#include "disk/bounded_read.h"
#include "fat/directory_block.h"
#include "fat/fat_boot_rebuild.h"
#include "support/byte_reader.h"

namespace tundrel {
namespace {

constexpr std::uint32_t kGeometrySearchSectors = 40000;
constexpr std::uint32_t kGeometryPieceSectors = 128;
constexpr std::uint32_t kVotesToEstablish = 4;     // more than three
constexpr std::uint32_t kIndexSightingsLeast = 6;  // more than five
constexpr std::uint32_t kFat32EndMark = 0x0FFFFFFF;
constexpr std::uint32_t kFat16RootSectors = 32;    // 512 entries of 32 bytes

// A tab, a letter or a digit: runs of such codes are text (UTF-16 counts on 1, 2, 3...), not FAT.
bool IsTextCode(std::uint32_t value) {
    return value == '\t' || (value >= '0' && value <= '9') || (value >= 'A' && value <= 'Z') ||
           (value >= 'a' && value <= 'z');
}

struct TableSector {
    bool fat32 = false;
    std::uint64_t index = 0;  // of this sector within its FAT
};

// Whether a sector holds FAT entries, of which width, and where in its FAT it stands.
std::optional<TableSector> ReadTableSector(std::span<const std::uint8_t> sector) {
    const ByteReader reader(sector);
    std::uint32_t pairs16 = 0;
    std::uint32_t pairs32 = 0;
    std::uint32_t endMarks = 0;
    std::map<std::uint64_t, std::uint32_t> index16;
    std::map<std::uint64_t, std::uint32_t> index32;
    for (std::size_t k = 0; k < kSectorBytes / 2; ++k) {
        const std::uint32_t value = reader.U16(2 * k);
        if (value == 1 || value == 2) pairs16 = 0;
        if (k > 0 && value > 2 && value == reader.U16(2 * k - 2) + 1u && !IsTextCode(value)) {
            ++pairs16;
            ++index16[(value - 1) / (kSectorBytes / 2)];
        }
    }
    for (std::size_t k = 0; k < kSectorBytes / 4; ++k) {
        const std::uint32_t value = reader.U32(4 * k);
        if (value == 1 || value == 2) pairs32 = 0;
        if (value == kFat32EndMark) ++endMarks;
        if (k > 0 && value > 2 && value == reader.U32(4 * k - 4) + 1u) {
            ++pairs32;
            if (k > 1 && value == reader.U32(4 * k - 8) + 2u) ++index32[(value - 1) / (kSectorBytes / 4)];
        }
    }
    bool fat32 = false;
    if (pairs32 <= pairs16) {
        if (pairs16 <= 6 && endMarks <= 10) return std::nullopt;
        fat32 = pairs16 <= 6;
    } else {
        if (pairs32 < 7 && endMarks <= 10) return std::nullopt;
        fat32 = true;
    }
    const auto& sightings = fat32 ? index32 : index16;
    const auto most = std::ranges::max_element(sightings, {}, [](const auto& seen) { return seen.second; });
    if (most == sightings.end() || most->second < kIndexSightingsLeast) return std::nullopt;
    return TableSector{fat32, most->first};
}

class FatGeometryVotes {
public:
    void Look(std::span<const std::uint8_t> sector, std::uint64_t position) {
        const bool directory = IsFatDirectoryBlock(sector, kSectorBytes / kFatEntryBytes, {});
        if (directory && !inDirectoryRun_) {
            if (lastRunStart_) {
                const std::uint64_t distance = position - *lastRunStart_;
                if (distance <= 128 && std::has_single_bit(distance)) ++distances_[static_cast<std::uint32_t>(distance)];
            }
            lastRunStart_ = position;
        }
        inDirectoryRun_ = directory;
        if (directory) return;
        const auto table = ReadTableSector(sector);
        if (!table || table->index > position) return;
        (table->fat32 ? fat32Sectors_ : fat16Sectors_)++;
        ++votes_[position - table->index];
    }

    std::vector<std::uint64_t> EstablishedStarts() const {
        std::vector<std::uint64_t> starts;
        for (const auto& [start, votes] : votes_) {
            if (votes >= kVotesToEstablish) starts.push_back(start);
        }
        return starts;
    }
    // Both FATs are known and a directory run starts past the second.
    bool Settled() const {
        const std::vector<std::uint64_t> starts = EstablishedStarts();
        return starts.size() >= 2 && lastRunStart_ && *lastRunStart_ >= starts[1] + (starts[1] - starts[0]);
    }
    bool Fat32() const { return fat32Sectors_ > fat16Sectors_; }
    std::uint32_t ClusterSectors() const {
        const auto most = std::ranges::max_element(distances_, {}, [](const auto& seen) { return seen.second; });
        return most == distances_.end() ? 0 : most->first;
    }

private:
    std::map<std::uint64_t, std::uint32_t> votes_;        // FAT start -> table sectors voting for it
    std::map<std::uint32_t, std::uint32_t> distances_;    // between directory runs -> times seen
    std::optional<std::uint64_t> lastRunStart_;
    bool inDirectoryRun_ = false;
    std::uint32_t fat16Sectors_ = 0;
    std::uint32_t fat32Sectors_ = 0;
};

}  // namespace

std::optional<RebuiltFatVolume> SearchFatGeometry(SectorSource& source, std::uint64_t start,
                                                  const std::atomic<std::uint32_t>& stop) {
    FatGeometryVotes votes;
    for (std::uint32_t piece = 0; piece < kGeometrySearchSectors && stop.load() == 0 && !votes.Settled();
         piece += kGeometryPieceSectors) {
        const std::vector<std::uint8_t> bytes = ReadWithin(source, start + piece, kGeometryPieceSectors);
        const std::size_t sectors = bytes.size() / kSectorBytes;
        for (std::size_t k = 0; k < sectors; ++k) {
            votes.Look(std::span(bytes).subspan(k * kSectorBytes, kSectorBytes), start + piece + k);
        }
        if (sectors < kGeometryPieceSectors) break;
    }
    const std::vector<std::uint64_t> fats = votes.EstablishedStarts();
    const std::uint32_t clusterSectors = votes.ClusterSectors();
    if (fats.size() < 2 || clusterSectors == 0 || fats[0] <= start || fats[1] - start > kGeometrySearchSectors) {
        return std::nullopt;
    }
    const bool fat32 = votes.Fat32();
    const auto firstFat = static_cast<std::uint32_t>(fats[0] - start);
    const auto secondFat = static_cast<std::uint32_t>(fats[1] - start);
    const std::uint32_t fatSize = secondFat - firstFat;
    const std::uint64_t dataStart = std::uint64_t{secondFat} + fatSize + (fat32 ? 0 : kFat16RootSectors);
    const std::uint64_t clusters = std::uint64_t{fatSize} * kSectorBytes / (fat32 ? 4 : 2) - 2;
    const std::uint64_t wanted = dataStart + clusters * clusterSectors;
    const std::uint64_t available = source.totalSectors > start ? source.totalSectors - start : 0;
    const auto sectorCount = static_cast<std::uint32_t>(std::min({wanted, available, std::uint64_t{UINT32_MAX}}));
    const std::uint32_t fsType = fat32 ? kFsFat32 : kFsFat16;
    const auto boot = BuildFatBootSector({firstFat, secondFat, static_cast<std::uint32_t>(dataStart)}, fsType, sectorCount);
    if (!boot) return std::nullopt;
    return RebuiltFatVolume{fsType, sectorCount, *boot};
}

}  // namespace tundrel
